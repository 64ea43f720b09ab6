#pragma once

#include "imaging/TagItem.h"

#include <QByteArray>

#include <vector>

namespace lumicap {

// One field of a photo as people see it across its copies: the Exif tag, and
// the IPTC, XMP and Windows copies other programs may read first.
struct FieldReading
{
    // The Exif bytes; when the Exif tag is empty, the text (UTF-8) of the
    // copy other programs show first that has one.
    QByteArray bytes;
    // Where bytes came from when not from Exif ("XMP"); empty otherwise.
    QByteArray from;
    // The copies whose text is not what bytes show, in the order other
    // programs prefer them.
    std::vector<TextCopy> differing;
};

// XMP is preferred, then IPTC, then Windows' tags (as MWG readers and most
// photo managers do). An empty Exif tag is no disagreement: it is what the
// field shows from a copy.
FieldReading readField(const QByteArray &exif, const std::vector<TextCopy> &copies);

} // namespace lumicap
