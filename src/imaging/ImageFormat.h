#pragma once

#include <cstddef>

namespace lumicap {

// What a file holds, told from its first bytes and never from its name.
// Heif covers HEIC and AVIF: the same box structure around other codecs.
enum class ImageFormat { Jpeg, Tiff, Png, Gif, Bmp, WebP, BigTiff, Heif, Other };

ImageFormat detectImageFormat(const char *data, std::size_t size);

// Only these formats are handed to the tag library, and only these can carry
// the three tags.
bool canHoldTags(ImageFormat format);

const char *mimeTypeOf(ImageFormat format);

} // namespace lumicap
