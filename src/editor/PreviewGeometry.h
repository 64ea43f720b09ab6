#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>

namespace lumicap {

// Where the preview draws an image in its frame: scaled to the frame's full
// height, centred horizontally, cut equally on both sides when wider.
// scale = H / image height in double precision; drawn width = the truncation
// of image width * scale + 0.5; x = left + (W - drawn width) / 2, truncating
// toward zero. Empty when the image has no size. image is the size as shown,
// that is after its orientation is applied (orientedSize).
QRect previewPlacement(const QRect &frame, QSize image);

// The size a stored picture is decoded at to be drawn in the frame: the
// placed size, turned back as stored, and no wider than four frames (a very
// wide picture is stretched and cut rather than decoded huge). Empty when
// nothing is drawn.
QSize previewDecodeSize(const QRect &frame, QSize stored, int orientation);

// The Exif orientation (1-8) from the raw value bytes of tag 0x0112; 1 for a
// missing or invalid value.
int orientationFromTag(const QByteArray &value);

// The size a stored picture shows at: width and height swapped for the
// orientations that turn it a quarter (5-8).
QSize orientedSize(QSize stored, int orientation);

// The picture as its orientation says it is to be seen.
QImage orientedImage(const QImage &stored, int orientation);

} // namespace lumicap
