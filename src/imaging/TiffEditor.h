#pragma once

#include "ImageStatus.h"
#include "TagItem.h"

#include <QByteArray>

#include <cstdint>

namespace lumicap {

// Edits the first image directory of a classic TIFF file without moving
// anything else: the new directory and the new values are appended to the
// file and the header points to them. Pixels, every other page and every
// other directory keep their bytes and offsets, whatever their number.
//
// The old directory and the values it no longer uses are wiped with zeros
// where nothing that stays refers to them, so removed tags are really gone.
class TiffEditor
{
public:
    // Tags that make up the picture and its colour, XMP and IPTC blocks: kept
    // by "remove all".
    static bool isStructuralTag(std::uint16_t tag);

    static ImageStatus apply(QByteArray &tiff, const TagEdits &edits);
};

} // namespace lumicap
