#pragma once

#include <QByteArray>

#include <cstdint>
#include <optional>
#include <vector>

namespace lumicap {

// One EXIF/TIFF entry as the rest of the program sees it: the raw value bytes
// in the file's byte order, never converted.
struct TagItem
{
    std::uint16_t id = 0;
    std::uint16_t type = 0; // TIFF field type; 2 = ASCII
    QByteArray value;
    // Exiv2's name of the directory the entry lives in; "Image" is the first
    // image directory, where the three text tags belong.
    QByteArray group = "Image";
};

constexpr std::uint16_t asciiType = 2;
constexpr const char *primaryGroup = "Image";

// The text a value says: its bytes up to the first zero, as readers show
// it (a second part after a zero, or the padding, is not part of it).
inline QByteArray untilZero(const QByteArray &value)
{
    const qsizetype zero = value.indexOf('\0');
    return zero < 0 ? value : value.left(zero);
}

// ImageDescription, Artist, Copyright: the tags this program edits.
inline bool isTextTag(std::uint16_t id)
{
    return id == 0x010E || id == 0x013B || id == 0x8298;
}

// One copy of a field kept elsewhere than in its Exif tag: where ("XMP",
// "IPTC", "XPTitle", "XPSubject", "XPAuthor") and its text in UTF-8.
struct TextCopy
{
    QByteArray where;
    QByteArray text;
    bool operator==(const TextCopy &o) const { return where == o.where && text == o.text; }
};

struct FieldCopies
{
    std::vector<TextCopy> description;
    std::vector<TextCopy> artist;
    std::vector<TextCopy> copyright;
};

// The texts (UTF-8) the other copies of the saved fields get. A copy the file
// does not have is created only when createMissing is set (XMP and IPTC),
// and never for an empty text.
struct CopyEdits
{
    std::optional<QByteArray> description;
    std::optional<QByteArray> artist;
    std::optional<QByteArray> copyright;
    bool createMissing = false;
    // Copies taken out rather than set (an undo of the save that made them).
    struct Removal
    {
        bool xmp = false;
        bool iptc = false;
    };
    Removal removeDescription, removeArtist, removeCopyright;

    bool any() const { return description || artist || copyright; }
};

// Changes to an image's tags, replayed on the file's bytes when it is saved.
struct TagEdits
{
    // Every entry goes but the three text tags and what the picture needs.
    bool removeAll = false;
    std::vector<std::uint16_t> removed;
    std::vector<TagItem> set;
    CopyEdits copies;

    bool empty() const { return !removeAll && removed.empty() && set.empty() && !copies.any(); }
};

} // namespace lumicap
