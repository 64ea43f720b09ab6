#include "imaging/JpegSegments.h"

#include <algorithm>
#include <cstring>

namespace lumicap {

namespace {
constexpr char exifHeader[] = "Exif\0\0";
constexpr std::size_t exifHeaderSize = 6;

unsigned byteAt(const QByteArray &data, std::size_t i)
{
    return static_cast<unsigned char>(data[static_cast<qsizetype>(i)]);
}

bool hasNoLength(unsigned marker)
{
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
}
} // namespace

std::optional<JpegLayout> parseJpegLayout(const QByteArray &jpeg)
{
    const std::size_t size = static_cast<std::size_t>(jpeg.size());
    if (size < 4 || byteAt(jpeg, 0) != 0xFF || byteAt(jpeg, 1) != 0xD8)
        return std::nullopt;

    JpegLayout layout;
    std::size_t pos = 2;
    bool first = true;
    while (pos < size) {
        if (byteAt(jpeg, pos) != 0xFF)
            return std::nullopt;
        const std::size_t markerStart = pos;
        while (pos < size && byteAt(jpeg, pos) == 0xFF)
            ++pos; // fill bytes
        if (pos >= size)
            return std::nullopt;
        const unsigned marker = byteAt(jpeg, pos++);
        if (hasNoLength(marker))
            continue;
        if (marker == 0xD9) // EOI before any scan: a header without an image
            return std::nullopt;
        if (pos + 2 > size)
            return std::nullopt;
        const std::size_t length = (byteAt(jpeg, pos) << 8) | byteAt(jpeg, pos + 1);
        if (length < 2 || pos + length > size)
            return std::nullopt;
        if (marker == 0xDA) { // start of scan: the rest is image data
            layout.scanHeaderEnd = pos + length;
            return layout;
        }

        const std::size_t payload = pos + 2;
        const std::size_t payloadSize = length - 2;
        ++layout.segments;
        const bool startOfFrame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (startOfFrame && payloadSize >= 5 && layout.width == 0) {
            layout.height = static_cast<int>((byteAt(jpeg, payload + 1) << 8) | byteAt(jpeg, payload + 2));
            layout.width = static_cast<int>((byteAt(jpeg, payload + 3) << 8) | byteAt(jpeg, payload + 4));
        }
        // The sixth byte is not always zero ("Exif\0\xFF" is seen); readers
        // take the segment as Exif all the same.
        if (marker == 0xE1 && !layout.exifOffset && payloadSize >= exifHeaderSize
            && std::memcmp(jpeg.constData() + payload, exifHeader, exifHeaderSize - 1) == 0) {
            layout.exifOffset = markerStart;
            layout.exifSize = pos + length - markerStart;
        }
        const auto startsWith = [&](const char *signature) {
            const std::size_t n = std::strlen(signature) + 1;
            return payloadSize >= n && std::memcmp(jpeg.constData() + payload, signature, n) == 0;
        };
        if (marker == 0xE1 && !layout.xmpOffset && startsWith(xmpSignature)) {
            layout.xmpOffset = markerStart;
            layout.xmpSize = pos + length - markerStart;
        }
        if (marker == 0xE1 && startsWith(xmpExtensionSignature))
            layout.xmpExtensions.push_back({markerStart, pos + length - markerStart});
        if (marker == 0xE2 && !layout.mpfOffset && payloadSize >= 4 && std::memcmp(jpeg.constData() + payload, "MPF\0", 4) == 0) {
            layout.mpfOffset = markerStart;
            layout.mpfSize = pos + length - markerStart;
        }
        if (marker == 0xED && startsWith(photoshopSignature)) {
            if (!layout.photoshopOffset) {
                layout.photoshopOffset = markerStart;
                layout.photoshopSize = pos + length - markerStart;
            }
            ++layout.photoshopSegments;
        }
        if (first && marker == 0xE0 && payloadSize >= 5 && std::memcmp(jpeg.constData() + payload, "JFIF\0", 5) == 0) {
            layout.insertOffset = pos + length;
            // Version, units (0 aspect ratio only, 1 per inch, 2 per cm), X and Y density.
            const auto density = [&](std::size_t at) { return (byteAt(jpeg, payload + at) << 8) | byteAt(jpeg, payload + at + 1); };
            if (payloadSize >= 12 && byteAt(jpeg, payload + 7) <= 2 && density(8) && density(10))
                layout.resolution = Resolution{density(8), 1, density(10), 1, static_cast<std::uint16_t>(byteAt(jpeg, payload + 7) + 1)};
        }
        first = false;
        pos += length;
    }
    return std::nullopt;
}

QByteArray exifPayload(const QByteArray &jpeg, const JpegLayout &layout)
{
    if (!layout.exifOffset)
        return {};
    const std::size_t skip = 4 + exifHeaderSize;
    return jpeg.mid(static_cast<qsizetype>(*layout.exifOffset + skip), static_cast<qsizetype>(layout.exifSize - skip));
}

QByteArray exifSegment(const QByteArray &tiffBlock)
{
    const std::size_t length = 2 + exifHeaderSize + static_cast<std::size_t>(tiffBlock.size());
    QByteArray segment;
    segment.reserve(static_cast<qsizetype>(length + 2));
    segment.append('\xFF').append('\xE1');
    segment.append(static_cast<char>((length >> 8) & 0xFF)).append(static_cast<char>(length & 0xFF));
    segment.append(exifHeader, exifHeaderSize);
    segment.append(tiffBlock);
    return segment;
}

QByteArray segmentPayload(const QByteArray &jpeg, std::optional<std::size_t> offset, std::size_t size, std::size_t signature)
{
    if (!offset)
        return {};
    const std::size_t skip = 4 + signature + 1;
    return jpeg.mid(static_cast<qsizetype>(*offset + skip), static_cast<qsizetype>(size - skip));
}

QByteArray appSegment(unsigned char marker, const char *signature, const QByteArray &payload)
{
    const std::size_t length = 2 + std::strlen(signature) + 1 + static_cast<std::size_t>(payload.size());
    if (length > 0xFFFF)
        return {};
    QByteArray segment;
    segment.append('\xFF').append(static_cast<char>(marker));
    segment.append(static_cast<char>((length >> 8) & 0xFF)).append(static_cast<char>(length & 0xFF));
    segment.append(signature, static_cast<qsizetype>(std::strlen(signature) + 1));
    return segment + payload;
}

QList<QByteArray> spliceSegments(const QByteArray &jpeg, std::vector<SegmentChange> changes)
{
    // At one offset, insertions go first, in the order given, and then the
    // segment that starts there is replaced: a new segment put in front of
    // one that is rewritten must not be spliced behind it.
    std::stable_sort(changes.begin(), changes.end(), [](const SegmentChange &a, const SegmentChange &b) {
        return a.offset != b.offset ? a.offset < b.offset : a.size == 0 && b.size != 0;
    });
    QList<QByteArray> pieces;
    std::size_t at = 0;
    for (const SegmentChange &change : changes) {
        if (change.offset < at)
            return {}; // overlapping changes: no file to be made of them
        pieces.append(QByteArray::fromRawData(jpeg.constData() + at, static_cast<qsizetype>(change.offset - at)));
        pieces.append(change.bytes);
        at = change.offset + change.size;
    }
    pieces.append(QByteArray::fromRawData(jpeg.constData() + at, jpeg.size() - static_cast<qsizetype>(at)));
    return pieces;
}

} // namespace lumicap
