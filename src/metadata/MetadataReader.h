#pragma once

#include "imaging/ImageHolder.h"
#include "imaging/ImageStatus.h"
#include "metadata/MetadataFields.h"

#include <memory>

namespace lumicap {

// Opens an image for reading its tags. The holder comes back whether the
// open succeeded or not; status is the open status.
// withThumbnail: see ImageHolder::open.
std::unique_ptr<ImageHolder> openImageFile(const QByteArray &path, ImageStatus &status, bool withThumbnail = false);

// The three fields of an open image: each tag's bytes up to the first zero,
// whatever its type; the last of several entries with one id wins; a missing
// tag reads as empty.
MetadataFields readMetadata(const ImageHolder &image);

} // namespace lumicap
