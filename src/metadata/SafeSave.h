#pragma once

#include "imaging/ImageHolder.h"
#include "imaging/ImageStatus.h"

#include <QByteArray>

namespace lumicap {

// Writes the holder's tag edits into the image file at path, through the
// platform layer (HeldFile, TemporaryFile: what each system does is said
// there):
//  - the file is held for the whole save: locked against other saves (one
//    that finds it locked waits a few seconds, then reports ObjectBusy) and,
//    where the system allows, leased against other programs: a file open
//    for writing elsewhere, or opened so during the save, is left to that
//    program and ObjectBusy reported;
//  - the file is read as it is on disk now, through the held descriptor, and
//    the edits applied to its bytes in memory; pixels are never decoded or
//    encoded;
//  - the result is checked, written to "_~" + name beside the image (created
//    exclusively, never over an existing file or through a link, with the
//    image's owner, extended attributes, access list and permissions),
//    flushed, and renamed over the image;
//  - a symbolic link stays a link and its target is updated;
//  - on any failure, running out of memory included (OutOfMemory), the image
//    is untouched and no temporary file remains.
// Saving what the file already holds writes nothing. This is a SaveGroup of
// one picture; a batch saves several together.
ImageStatus saveImageFile(ImageHolder &image, const QByteArray &path);

// What saveImageFile would give, without writing anything: the picture is
// held and read as a save holds and reads it, and the edits are applied in
// memory only. A raw file's sidecar is not tried.
ImageStatus checkImageSave(ImageHolder &image, const QByteArray &path);

} // namespace lumicap
