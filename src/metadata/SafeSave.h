#pragma once

#include "ImageHolder.h"
#include "ImageStatus.h"

#include <QByteArray>

namespace lumicap {

// Moves a finished temporary file over the image in one atomic rename and
// makes the rename durable. The image is never deleted first.
ImageStatus ReplaceFile(const QByteArray &temporaryPath, const QByteArray &imagePath);

// Writes the holder's tag edits into the image file at path:
//  - the file is read as it is on disk now and the edits applied to its bytes
//    in memory; pixels are never decoded or encoded;
//  - the result is checked, written to "_~" + name beside the image (created
//    exclusively, never over an existing file or through a link, with the
//    image's permissions), flushed, and renamed over the image;
//  - a symbolic link stays a link and its target is updated;
//  - on any failure the image is untouched and no temporary file remains.
// Saving what the file already holds writes nothing.
ImageStatus SaveImageFile(ImageHolder &image, const QByteArray &path);

} // namespace lumicap
