#include "metadata/MetadataReader.h"

#include <new>

namespace lumicap {

std::unique_ptr<ImageHolder> openImageFile(const QByteArray &path, ImageStatus &status, bool withThumbnail)
{
    auto image = std::make_unique<ImageHolder>();
    try {
        image->open(path, withThumbnail);
        status = image->takeStatus();
    } catch (const std::bad_alloc &) {
        image->close();
        status = ImageStatus::OutOfMemory;
    }
    return image;
}

MetadataFields readMetadata(const ImageHolder &image)
{
    MetadataFields fields;
    for (const TagItem &item : image.tags()) {
        if (item.group != primaryGroup)
            continue;
        switch (item.id) {
        case descriptionTag: fields.description = untilZero(item.value); break;
        case artistTag: fields.artist = untilZero(item.value); break;
        case copyrightTag: fields.copyright = untilZero(item.value); break;
        default: break;
        }
    }
    return fields;
}

} // namespace lumicap
