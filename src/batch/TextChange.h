#pragma once

#include "metadata/MetadataFields.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace lumicap {

enum class TagField { Description, Artist, Copyright };
constexpr TagField allTagFields[] = {TagField::Description, TagField::Artist, TagField::Copyright};

// A field's text in a field record.
QByteArray &fieldText(MetadataFields &fields, TagField field);
const QByteArray &fieldText(const MetadataFields &fields, TagField field);
bool isSelected(const FieldSelection &which, TagField field);
bool &selected(FieldSelection &which, TagField field);
// "description", "artist", "copyright", from the string table.
QString fieldName(TagField field);
// The field a name (as above, in English) means; nothing for another name.
std::optional<TagField> fieldNamed(const QByteArray &name);

// Where a text was changed: offset and length of each part, in characters.
using TextSpans = std::vector<std::pair<qsizetype, qsizetype>>;

// One field of one picture that a replace changes.
struct TextChange
{
    QByteArray path;
    TagField field;
    QByteArray before;
    QByteArray after;
    TextSpans found;    // in before's text: what matched
    TextSpans replaced; // in after's text: what took its place
};

} // namespace lumicap
