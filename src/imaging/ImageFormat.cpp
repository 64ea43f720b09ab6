#include "ImageFormat.h"

#include "RawFiles.h"

#include <cstring>

namespace lumicap {

namespace {
bool startsWith(const char *data, std::size_t size, const char *magic, std::size_t n)
{
    return size >= n && std::memcmp(data, magic, n) == 0;
}
} // namespace

ImageFormat detectImageFormat(const char *data, std::size_t size)
{
    if (RawFiles::hasRawSignature(data, size))
        return ImageFormat::Raw;
    if (startsWith(data, size, "\xFF\xD8\xFF", 3))
        return ImageFormat::Jpeg;
    if (startsWith(data, size, "II*\0", 4) || startsWith(data, size, "MM\0*", 4))
        return ImageFormat::Tiff;
    if (startsWith(data, size, "II+\0", 4) || startsWith(data, size, "MM\0+", 4))
        return ImageFormat::BigTiff;
    if (startsWith(data, size, "\x89PNG\r\n\x1A\n", 8))
        return ImageFormat::Png;
    if (startsWith(data, size, "GIF87a", 6) || startsWith(data, size, "GIF89a", 6))
        return ImageFormat::Gif;
    if (startsWith(data, size, "BM", 2))
        return ImageFormat::Bmp;
    if (size >= 12 && startsWith(data, size, "RIFF", 4) && std::memcmp(data + 8, "WEBP", 4) == 0)
        return ImageFormat::WebP;
    return ImageFormat::Other;
}

bool canHoldTags(ImageFormat format)
{
    return format == ImageFormat::Jpeg || format == ImageFormat::Tiff || format == ImageFormat::Png
           || format == ImageFormat::WebP || format == ImageFormat::Raw;
}

const char *mimeTypeOf(ImageFormat format)
{
    switch (format) {
    case ImageFormat::Jpeg:
        return "image/jpeg";
    case ImageFormat::Tiff:
        return "image/tiff";
    case ImageFormat::Png:
        return "image/png";
    case ImageFormat::Gif:
        return "image/gif";
    case ImageFormat::Bmp:
        return "image/bmp";
    case ImageFormat::WebP:
        return "image/webp";
    case ImageFormat::Raw:
        return "image/x-raw"; // what a sidecar is written for
    case ImageFormat::BigTiff:
    case ImageFormat::Other:
        break;
    }
    return "application/octet-stream";
}

} // namespace lumicap
