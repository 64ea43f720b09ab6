#pragma once

#include <cstddef>

namespace lumicap {

// What a file holds, told from its first bytes and never from its name.
// Raw is a camera raw file, which is never written (see RawFiles.h); a raw
// file that is plain TIFF inside is told by its name (ImageHolder::open).
// Heif covers HEIC and AVIF: the same box structure around other codecs.
enum class ImageFormat { Jpeg, Tiff, Png, Gif, Bmp, WebP, BigTiff, Raw, Heif, Other };

ImageFormat detectImageFormat(const char *data, std::size_t size);

// Only these formats are handed to the tag library, and only these can carry
// the three tags (a raw file in its sidecar).
bool canHoldTags(ImageFormat format);

} // namespace lumicap
