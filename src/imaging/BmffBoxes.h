#pragma once

#include "imaging/ImageStatus.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace lumicap {

// One piece of an item's data, as its iloc entry states it.
struct BmffExtent
{
    std::uint64_t offset = 0; // in the file (method 0) or in idat (method 1), base offset added
    std::uint64_t length = 0;
    std::size_t offsetField = 0; // where its offset and length fields are in the file
    std::size_t lengthField = 0;
};

// An item of the meta box: its infe and its iloc entry.
struct BmffItem
{
    std::uint32_t id = 0;
    QByteArray type;             // "hvc1", "Exif", "mime", ...
    QByteArray contentType;      // of a "mime" item
    int method = 0;              // construction method: 0 file, 1 idat
    std::size_t methodField = 0; // where the iloc entry's method field is (0 in iloc version 0)
    std::uint64_t baseOffset = 0;
    std::size_t baseOffsetField = 0;
    std::vector<BmffExtent> extents;
};

// Where a box sits in the file.
struct BmffBox
{
    std::size_t offset = 0;
    std::size_t size = 0;
    std::size_t headerSize = 0; // 8, or 16 with a 64-bit size
};

// The structure of a HEIF/AVIF file as far as the metadata needs it: the
// top-level meta box and what it holds. Every other box (the image data,
// properties, references other than those to metadata) is kept byte for byte
// when the metadata changes.
struct BmffLayout
{
    BmffBox meta, iinf, iloc;
    std::optional<BmffBox> iref, idat;
    int iinfVersion = 0, ilocVersion = 0, irefVersion = 0;
    int offsetSize = 0, lengthSize = 0, baseOffsetSize = 0, indexSize = 0;
    std::uint32_t primary = 0;
    std::uint32_t largestId = 0; // of any item named anywhere (infe, iloc, iref, pitm)
    std::vector<BmffItem> items;
    std::optional<std::size_t> exif, xmp; // indices into items
    // The top-level mdat boxes: where item data may be overwritten.
    std::vector<BmffBox> mdats;
    // The last top-level box when its size says "to the end of the file".
    std::optional<BmffBox> openEnded;
};

// Walks a HEIF/AVIF file. Refused with status 1 (never guessed at): truncated
// boxes, a missing or second meta box, movie boxes (moov, moof), item
// locations outside the file or with construction methods other than 0 and 1,
// field sizes other than 0, 4 and 8, several Exif items, loops among the item
// references.
ImageStatus parseBmffLayout(const QByteArray &file, BmffLayout &layout);

// An item's data, its extents joined; nothing when an extent's length is
// left open.
std::optional<QByteArray> bmffItemData(const QByteArray &file, const BmffLayout &layout, const BmffItem &item);

// Which metadata item a change is for.
enum class BmffMetadata { Exif, Xmp };

// Gives the Exif or XMP item the data: written over its extent when it fits
// (the extent's length shrinks to it, the rest is zeroed), else in a new mdat
// at the end of the file that its extent points to. A file without such an
// item gets one: the meta box grows by its infe, iloc entry and a reference
// describing the primary item, and every file offset behind the meta box
// moves by the growth. Every other item keeps its data where it is.
ImageStatus putBmffMetadata(QByteArray &file, const BmffLayout &layout, BmffMetadata which, const QByteArray &data);

} // namespace lumicap
