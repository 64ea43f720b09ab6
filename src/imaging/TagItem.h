#pragma once

#include <QByteArray>

#include <cstdint>
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

// ImageDescription, Artist, Copyright: the tags this program edits.
inline bool isTextTag(std::uint16_t id)
{
    return id == 0x010E || id == 0x013B || id == 0x8298;
}

// Changes to an image's tags, replayed on the file's bytes when it is saved.
struct TagEdits
{
    // Every entry goes but the three text tags and what the picture needs.
    bool removeAll = false;
    std::vector<std::uint16_t> removed;
    std::vector<TagItem> set;

    bool empty() const { return !removeAll && removed.empty() && set.empty(); }
};

} // namespace lumicap
