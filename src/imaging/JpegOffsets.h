#pragma once

#include "imaging/JpegSegments.h"

#include <QByteArray>

#include <vector>

namespace lumicap {

// Structures outside the Exif block that find bytes of the file by their
// offset: the multi-picture index (its offsets count from its own header and
// lead to the pictures behind this one) and the AFCP trailer at the end of
// the file (absolute offsets). When segments change length, whatever lies
// between such an offset's base and its target moves, and the offset must
// move with it.
//
// Adds to changes the rewritten index and trailer that keep pointing at
// their data once changes are spliced in. False when an offset points into
// bytes that change: the file cannot then be written without breaking it.
bool keepOffsetsBehindThePicture(const QByteArray &jpeg, const JpegLayout &layout, std::vector<SegmentChange> &changes);

} // namespace lumicap
