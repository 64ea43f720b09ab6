#include "MetadataWriter.h"

#include "TextEncoding.h"

#include <algorithm>
#include <cstring>

namespace lumicap {

const char *MimeTypeForImage(const ImageHolder &image)
{
    return mimeTypeOf(image.format());
}

int FindEncoder(const char *mimeType, ImageFormat *writer)
{
    const int index = ImageHolder::writerFor(mimeType);
    if (writer && index >= 0) {
        static const ImageFormat formats[] = {ImageFormat::Jpeg, ImageFormat::Tiff, ImageFormat::Png};
        *writer = formats[index];
    }
    return index;
}

void WriteMetadata(ImageHolder &image, const MetadataFields &fields, FieldSelection which, bool removeAll, bool allCopies)
{
    if (removeAll)
        image.removeAllTags();
    const auto asciiTag = [](std::uint16_t id, const QByteArray &text) {
        // A text ends at its first zero byte, as it does when read back.
        const qsizetype zero = text.indexOf('\0');
        QByteArray value = zero < 0 ? text : text.left(zero);
        value.append('\0');
        return TagItem{id, asciiType, value, primaryGroup};
    };
    if (which.description)
        image.setTag(asciiTag(descriptionTag, fields.description));
    if (which.artist)
        image.setTag(asciiTag(artistTag, fields.artist));
    if (which.copyright)
        image.setTag(asciiTag(copyrightTag, fields.copyright));
    // The other copies hold Unicode text: the field as it is shown.
    const auto shown = [](bool selected, const QByteArray &bytes) {
        const qsizetype zero = bytes.indexOf('\0');
        return selected ? std::optional<QByteArray>(displayText(zero < 0 ? bytes : bytes.left(zero)).toUtf8()) : std::nullopt;
    };
    image.setCopies({shown(which.description, fields.description), shown(which.artist, fields.artist),
                     shown(which.copyright, fields.copyright), allCopies});
}

void DeleteMetadata(ImageHolder &image, FieldSelection which)
{
    const auto has = [&image](std::uint16_t id) {
        return std::any_of(image.tags().begin(), image.tags().end(), [id](const TagItem &t) { return t.id == id && t.group == primaryGroup; });
    };
    const std::pair<bool, std::uint16_t> tags[] = {{which.description, descriptionTag}, {which.artist, artistTag}, {which.copyright, copyrightTag}};
    for (const auto &[selected, id] : tags) {
        if (selected && has(id))
            image.removeTag(id);
    }
    CopyEdits copies = image.edits().copies;
    const QByteArray none("");
    if (which.description)
        copies.description = none;
    if (which.artist)
        copies.artist = none;
    if (which.copyright)
        copies.copyright = none;
    image.setCopies(copies);
}

} // namespace lumicap
