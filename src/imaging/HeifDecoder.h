#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace lumicap {

// Pictures of HEIF and AVIF files, decoded by libheif, turned and mirrored
// as the file's own boxes say. Without libheif in the build every answer is
// empty: the picture's fields are still shown and saved, its preview is not.
namespace HeifDecoder {

// The primary picture's size, turned; read from the boxes, nothing decoded.
QSize size(const QByteArray &file);
// The primary picture scaled to size. The file's thumbnail item is decoded
// instead when it is at least that large.
QImage picture(const QByteArray &file, QSize size);
// The file's own thumbnail item, at its size; null when it has none.
QImage thumbnail(const QByteArray &file);

} // namespace HeifDecoder

} // namespace lumicap
