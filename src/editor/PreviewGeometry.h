#pragma once

#include <QRect>
#include <QSize>

namespace lumicap {

// Where the preview draws an image in its frame: scaled to the frame's full
// height, centred horizontally, cut equally on both sides when wider.
// scale = H / image height in double precision; drawn width = the truncation
// of image width * scale + 0.5; x = left + (W - drawn width) / 2, truncating
// toward zero. Empty when the image has no size.
QRect previewPlacement(const QRect &frame, QSize image);

} // namespace lumicap
