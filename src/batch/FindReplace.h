#pragma once

#include "batch/BatchRun.h"
#include "batch/TextChange.h"

#include <QRegularExpression>

namespace lumicap {

struct ReplaceRequest
{
    QString find;
    QString replacement; // \1..\99 are the groups of a regular expression
    bool regex = false;
    bool ignoreCase = false;
    FieldSelection fields;
};

// Find and replace in the fields' texts, as people see them (UTF-8, else
// Windows-1252); a changed text is written as UTF-8, an unchanged one keeps
// its bytes.
class FindReplace
{
public:
    // Nothing, with error saying why, for an empty FIND or a regular
    // expression that does not compile.
    static std::optional<FindReplace> make(const ReplaceRequest &request, QString &error);

    // The new text; nothing when FIND is not in it.
    std::optional<QByteArray> apply(const QByteArray &text, TextSpans *found = nullptr, TextSpans *replaced = nullptr) const;
    // The changes the selected fields of a picture get, in field order.
    std::vector<TextChange> changesOf(const QByteArray &path, const MetadataFields &fields) const;
    // The fields with the replacements made, and which of them changed.
    FieldSelection applyTo(MetadataFields &fields) const;
    // The changes in the pictures at paths (one that cannot be read has none).
    std::vector<TextChange> changesIn(const std::vector<QByteArray> &paths) const;
    // The replacements of the changes given, and no others, each made on its
    // picture's text as it is when the picture is saved.
    EditFor editFor(const std::vector<TextChange> &chosen) const;

private:
    explicit FindReplace(const ReplaceRequest &request)
        : request_(request)
    {}
    QString expanded(const QRegularExpressionMatch &match) const;

    ReplaceRequest request_;
    QRegularExpression expression_;
};

} // namespace lumicap
