#include "imaging/JpegOffsets.h"

#include <cstdint>
#include <optional>

namespace lumicap {

namespace {

// Numbers of one byte order inside a byte array; the caller checks bounds.
struct NumberOrder
{
    bool big = false;

    std::uint32_t get(const QByteArray &data, std::size_t at, int bytes) const
    {
        std::uint32_t value = 0;
        for (int i = 0; i < bytes; ++i)
            value = (value << 8) | static_cast<unsigned char>(data[static_cast<qsizetype>(at) + (big ? i : bytes - 1 - i)]);
        return value;
    }
    void put(QByteArray &data, std::size_t at, int bytes, std::uint32_t value) const
    {
        for (int i = 0; i < bytes; ++i)
            data[static_cast<qsizetype>(at) + (big ? bytes - 1 - i : i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
};

// Where a byte of the old file lies in the new one; nothing when it lies
// inside bytes that change. What is inserted at its offset comes before it.
std::optional<std::uint64_t> newPosition(const std::vector<SegmentChange> &changes, std::uint64_t at)
{
    std::int64_t delta = 0;
    for (const SegmentChange &c : changes) {
        if (c.offset + c.size <= at)
            delta += static_cast<std::int64_t>(c.bytes.size()) - static_cast<std::int64_t>(c.size);
        else if (c.offset < at)
            return std::nullopt;
    }
    return static_cast<std::uint64_t>(static_cast<std::int64_t>(at) + delta);
}

// An offset from base to target, as it is after the changes; nothing when it
// cannot be kept.
std::optional<std::uint32_t> movedOffset(const std::vector<SegmentChange> &changes, std::uint64_t base, std::uint64_t target)
{
    const auto from = newPosition(changes, base), to = newPosition(changes, target);
    if (!from || !to || *to < *from || *to - *from > 0xFFFFFFFFu)
        return std::nullopt;
    return static_cast<std::uint32_t>(*to - *from);
}

// The multi-picture index is a small TIFF structure after "MPF\0"; its
// MPEntry tag lists every picture in 16 bytes (attributes, size, offset from
// the structure's header, two dependent pictures). The first picture, this
// one, has offset 0 and starts the file; its size changes with its segments.
// An index that cannot be read is left as it is.
bool moveMultiPictureIndex(const QByteArray &jpeg, const JpegLayout &layout, const std::vector<SegmentChange> &changes,
                           std::vector<SegmentChange> &moved)
{
    if (!layout.mpfOffset)
        return true;
    QByteArray segment = jpeg.mid(static_cast<qsizetype>(*layout.mpfOffset), static_cast<qsizetype>(layout.mpfSize));
    const std::size_t header = 8, size = static_cast<std::size_t>(segment.size());
    const QByteArray byteOrder = segment.mid(header, 4);
    if (size < header + 8 || (byteOrder != QByteArray("MM\0*", 4) && byteOrder != QByteArray("II*\0", 4)))
        return true;
    const NumberOrder order{byteOrder.startsWith('M')};
    const std::size_t directory = header + order.get(segment, header + 4, 4);
    if (directory + 2 > size)
        return true;
    const std::uint64_t base = *layout.mpfOffset + header;
    for (std::uint32_t i = 0, count = order.get(segment, directory, 2); i < count; ++i) {
        const std::size_t entry = directory + 2 + 12 * std::size_t(i);
        if (entry + 12 > size)
            return true;
        const std::uint32_t bytes = order.get(segment, entry + 4, 4);
        if (order.get(segment, entry, 2) != 0xB002 || bytes <= 4 || bytes % 16 != 0)
            continue;
        const std::size_t values = header + order.get(segment, entry + 8, 4);
        if (values + bytes > size)
            return true;
        for (std::size_t at = values; at < values + bytes; at += 16) {
            const std::uint32_t length = order.get(segment, at + 4, 4), offset = order.get(segment, at + 8, 4);
            const std::uint64_t start = offset ? base + offset : 0;
            const auto newLength = movedOffset(changes, start, start + length);
            const auto newOffset = offset ? movedOffset(changes, base, start) : std::optional<std::uint32_t>(0);
            if (!newLength || !newOffset)
                return false;
            order.put(segment, at + 4, 4, *newLength);
            order.put(segment, at + 8, 4, *newOffset);
        }
    }
    if (segment != jpeg.mid(static_cast<qsizetype>(*layout.mpfOffset), static_cast<qsizetype>(layout.mpfSize)))
        moved.push_back({*layout.mpfOffset, layout.mpfSize, segment});
    return true;
}

// The AFCP trailer: a header ("AXS!" big-endian, "AXS*" little-endian,
// version, entry count, checksum), entries of 12 bytes (name, size, absolute
// offset), their data, and at the very end the header's signature again with
// the header's absolute offset. A trailer whose offset already points astray
// is left as it is.
bool moveAfcpTrailer(const QByteArray &jpeg, const std::vector<SegmentChange> &changes, std::vector<SegmentChange> &moved)
{
    const std::size_t size = static_cast<std::size_t>(jpeg.size());
    const QByteArray end = jpeg.right(12);
    if (size < 24 || (!end.startsWith("AXS!") && !end.startsWith("AXS*")))
        return true;
    const NumberOrder order{end[3] == '!'};
    const std::size_t start = order.get(end, 4, 4);
    if (start + 12 > size - 12 || jpeg.mid(static_cast<qsizetype>(start), 4) != end.left(4))
        return true;
    const std::size_t directoryEnd = start + 12 + 12 * std::size_t(order.get(jpeg, start + 6, 2));
    if (directoryEnd > size - 12)
        return true;
    QByteArray header = jpeg.mid(static_cast<qsizetype>(start), static_cast<qsizetype>(directoryEnd - start));
    for (std::size_t at = 12 + 8; at < static_cast<std::size_t>(header.size()); at += 12) {
        const auto kept = movedOffset(changes, 0, order.get(header, at, 4));
        if (!kept)
            return false;
        order.put(header, at, 4, *kept);
    }
    QByteArray trailer = end;
    const auto kept = movedOffset(changes, 0, start);
    if (!kept)
        return false;
    order.put(trailer, 4, 4, *kept);
    if (trailer != end) {
        moved.push_back({start, static_cast<std::size_t>(header.size()), header});
        moved.push_back({size - 12, 12, trailer});
    }
    return true;
}

} // namespace

bool keepOffsetsBehindThePicture(const QByteArray &jpeg, const JpegLayout &layout, std::vector<SegmentChange> &changes)
{
    std::vector<SegmentChange> moved;
    if (!moveMultiPictureIndex(jpeg, layout, changes, moved) || !moveAfcpTrailer(jpeg, changes, moved))
        return false;
    changes.insert(changes.end(), moved.begin(), moved.end());
    return true;
}

} // namespace lumicap
