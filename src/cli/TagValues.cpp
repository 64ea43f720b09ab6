#include "cli/TagValues.h"

#include "metadata/MetadataFields.h"

namespace lumicap {

TagValues TagValues::of(const ImageHolder &image)
{
    TagValues values;
    for (const TagItem &tag : image.tags()) {
        if (tag.group != primaryGroup)
            continue;
        const qsizetype zero = tag.value.indexOf('\0');
        const QByteArray text = zero < 0 ? tag.value : tag.value.left(zero);
        if (tag.id == descriptionTag)
            values.description = text;
        else if (tag.id == artistTag)
            values.artist = text;
        else if (tag.id == copyrightTag)
            values.copyright = text;
    }
    return values;
}

} // namespace lumicap
