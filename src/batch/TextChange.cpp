#include "batch/TextChange.h"

#include "resources/StringTable.h"

namespace lumicap {

QByteArray &fieldText(MetadataFields &fields, TagField field)
{
    return field == TagField::Description ? fields.description : field == TagField::Artist ? fields.artist : fields.copyright;
}

const QByteArray &fieldText(const MetadataFields &fields, TagField field)
{
    return fieldText(const_cast<MetadataFields &>(fields), field);
}

bool isSelected(const FieldSelection &which, TagField field)
{
    return field == TagField::Description ? which.description : field == TagField::Artist ? which.artist : which.copyright;
}

bool &selected(FieldSelection &which, TagField field)
{
    return field == TagField::Description ? which.description : field == TagField::Artist ? which.artist : which.copyright;
}

QString fieldName(TagField field)
{
    return loadString(field == TagField::Description  ? IDS_FIELD_NAME_DESCRIPTION
                          : field == TagField::Artist ? IDS_FIELD_NAME_ARTIST
                                                      : IDS_FIELD_NAME_COPYRIGHT);
}

std::optional<TagField> fieldNamed(const QByteArray &name)
{
    for (const TagField field : allTagFields) {
        if (name == fieldName(field).toUtf8())
            return field;
    }
    return std::nullopt;
}

} // namespace lumicap
