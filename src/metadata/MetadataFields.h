#pragma once

#include <QByteArray>

#include <cstdint>

namespace lumicap {

// The three text tags the program is about, as the bytes stored in the file
// (without the terminating zero). Display conversion happens in the windows.
struct MetadataFields
{
    QByteArray description;
    QByteArray artist;
    QByteArray copyright;

    bool operator==(const MetadataFields &o) const { return description == o.description && artist == o.artist && copyright == o.copyright; }
    bool operator!=(const MetadataFields &o) const { return !(*this == o); }
};

// Which of the three fields a save writes. A field left out keeps whatever
// the file holds at the moment of the save, and is never created.
struct FieldSelection
{
    bool description = true;
    bool artist = true;
    bool copyright = true;

    bool any() const { return description || artist || copyright; }
};

// The most a field takes: a JPEG keeps Exif in one 64 KB segment, which the
// camera's own tags share; the other formats have no such bound.
constexpr qsizetype jpegFieldBytes = 60000;
constexpr qsizetype otherFieldBytes = 1 << 20;

constexpr std::uint16_t descriptionTag = 0x010E;
constexpr std::uint16_t artistTag = 0x013B;
constexpr std::uint16_t copyrightTag = 0x8298;

} // namespace lumicap
