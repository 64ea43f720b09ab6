#pragma once

#include "ImageFormat.h"
#include "ImageHolder.h"
#include "MetadataFields.h"

namespace lumicap {

// The MIME type of the image's own format; a file is always written back in
// the format it has.
const char *MimeTypeForImage(const ImageHolder &image);

// Index of the writer for a MIME type, or -1 when there is none; writer gets
// the format it writes.
int FindEncoder(const char *mimeType, ImageFormat *writer);

// Sets the three tags as ASCII entries (the bytes and one zero byte), always
// all three and in this order, after removing every EXIF entry when removeAll
// is set. Statuses go to the holder's last status.
void WriteMetadata(ImageHolder &image, const MetadataFields &fields, bool removeAll);

} // namespace lumicap
