#pragma once

#include "imaging/ImageStatus.h"
#include "imaging/TagItem.h"

#include <QByteArray>

#include <cstdint>
#include <functional>

namespace lumicap {

// Edits the first image directory of a classic TIFF structure (a TIFF file,
// or the Exif block of a JPEG) without moving anything else: the new
// directory and the new values go into the space the old ones freed, or are
// appended, and the header points to them. Pixels, every other page and
// every other directory (Exif, GPS, maker notes, thumbnails, unknown tags)
// keep their bytes and offsets, whatever their number.
//
// The old directory and the values it no longer uses are wiped with zeros
// where nothing that stays refers to them, so removed tags are really gone.
class TiffEditor
{
public:
    struct Limits
    {
        // The result may not grow past this; ValueOverflow when it would.
        std::uint64_t maxSize = 0xFFFFFFF0ULL;
        // Place the new directory and values in the bytes freed by the old
        // ones when all of them fit there, so the structure keeps its
        // length; append only when they do not.
        bool reuseFreedSpace = false;
        // With reuseFreedSpace: when the structure must grow anyway, this
        // many zero bytes (as many as maxSize allows) are left behind what
        // is appended, and zeros behind everything that stays count as freed
        // space, so the next edit that grows a value a little keeps the
        // length.
        std::uint32_t spare = 0;
    };

    // Tags that make up the picture and its colour, XMP and IPTC blocks: kept
    // by "remove all".
    static bool isStructuralTag(std::uint16_t tag);

    static ImageStatus apply(QByteArray &tiff, const TagEdits &edits, const Limits &limits);
    static ImageStatus apply(QByteArray &tiff, const TagEdits &edits) { return apply(tiff, edits, Limits()); }

    // An empty structure in the given byte order ('I' or 'M'): a header and
    // a first directory without entries.
    static QByteArray emptyStructure(char byteOrder);

    // Some cameras keep file offsets (not block offsets) in their maker
    // notes, to data behind the Exif block. When segments of the file change
    // length, shift(offset) tells how far the byte at a file offset moves,
    // and the offsets known are moved along. False when the maker note holds
    // such an offset that cannot be moved (it would no longer point at its
    // data).
    static bool moveFileOffsets(QByteArray &tiff, const std::function<std::int64_t(std::uint64_t)> &shift);
};

} // namespace lumicap
