#include "metadata/MetadataWriter.h"

#include "metadata/TextEncoding.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace lumicap {

void writeMetadata(ImageHolder &image, const MetadataFields &fields, FieldSelection which, bool removeAll, bool allCopies)
{
    if (removeAll)
        image.removeAllTags();
    // A field that says, as text, what its tag holds is left as it is, in
    // whatever encoding it is stored, and so are its other copies (unless
    // every copy is asked for): a save changes only what the user changed.
    // The other copies hold Unicode text: the field as it is shown.
    const auto write = [&](bool selected, std::uint16_t id, const QByteArray &text) -> std::optional<QByteArray> {
        if (!selected)
            return std::nullopt;
        const QByteArray value = untilZero(text);
        const auto stored = std::find_if(image.tags().rbegin(), image.tags().rend(), // the last of several, as when reading
                                         [id](const TagItem &t) { return t.id == id && t.group == primaryGroup; });
        const bool same = stored != image.tags().rend() && displayText(untilZero(stored->value)) == displayText(value);
        if (!same)
            image.setTag(TagItem{id, asciiType, value + '\0', primaryGroup});
        return same && !allCopies ? std::nullopt : std::optional<QByteArray>(displayText(value).toUtf8());
    };
    CopyEdits copies;
    copies.description = write(which.description, descriptionTag, fields.description);
    copies.artist = write(which.artist, artistTag, fields.artist);
    copies.copyright = write(which.copyright, copyrightTag, fields.copyright);
    copies.createMissing = allCopies;
    image.setCopies(copies);
}

void deleteMetadata(ImageHolder &image, FieldSelection which)
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
