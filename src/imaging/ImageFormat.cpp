#include "imaging/ImageFormat.h"

#include "imaging/RawFiles.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace lumicap {

namespace {
bool startsWith(const char *data, std::size_t size, const char *magic, std::size_t n)
{
    return size >= n && std::memcmp(data, magic, n) == 0;
}

// A HEIF still image (HEIC, AVIF): an ftyp box naming one of their brands,
// major or compatible. Movies and raw files in the same boxes (MP4, CR3)
// name none of these.
bool isHeif(const char *data, std::size_t size)
{
    static const char *const brands[] = {"mif1", "mif2", "heic", "heix", "heim", "heis", "avif"};
    if (size < 16 || std::memcmp(data + 4, "ftyp", 4) != 0)
        return false;
    const std::size_t boxSize = (std::size_t(std::uint8_t(data[0])) << 24) | (std::size_t(std::uint8_t(data[1])) << 16)
        | (std::size_t(std::uint8_t(data[2])) << 8) | std::size_t(std::uint8_t(data[3]));
    for (std::size_t at = 8; at + 4 <= std::min(boxSize, size); at += at == 8 ? 8 : 4) {
        for (const char *brand : brands) {
            if (std::memcmp(data + at, brand, 4) == 0)
                return true;
        }
    }
    return false;
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
    if (isHeif(data, size))
        return ImageFormat::Heif;
    return ImageFormat::Other;
}

bool canHoldTags(ImageFormat format)
{
    return format == ImageFormat::Jpeg || format == ImageFormat::Tiff || format == ImageFormat::Png || format == ImageFormat::WebP
        || format == ImageFormat::Raw || format == ImageFormat::Heif;
}

} // namespace lumicap
