#include "imaging/JpegXmp.h"

#include "imaging/CaptionCopies.h"
#include "imaging/XmpSplit.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <utility>

namespace lumicap::JpegXmp {

namespace {
constexpr std::size_t extensionHeader = 4 + sizeof(xmpExtensionSignature); // marker, length, signature

QByteArray bigEndian32(std::size_t value)
{
    QByteArray out(4, '\0');
    for (int i = 0; i < 4; ++i)
        out[3 - i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

std::uint32_t bigEndian32At(const QByteArray &data, std::size_t at)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value = (value << 8) | static_cast<unsigned char>(data[static_cast<qsizetype>(at + i)]);
    return value;
}

struct ExtendedXmp
{
    QByteArray packet;
    std::vector<std::pair<std::size_t, std::size_t>> segments;
};

// The extended packet main names, joined from its chunks; no packet when one
// is missing or they disagree.
ExtendedXmp extendedPacket(const QByteArray &jpeg, const JpegLayout &layout, const QByteArray &main)
{
    ExtendedXmp found;
    const QByteArray guid = extendedXmpGuid(main).toUpper();
    if (guid.isEmpty())
        return found;
    std::map<std::uint32_t, QByteArray> chunks;
    std::uint32_t length = 0;
    for (const auto &[offset, size] : layout.xmpExtensions) {
        const QByteArray segment = jpeg.mid(static_cast<qsizetype>(offset), static_cast<qsizetype>(size));
        if (size <= extensionHeader + 40 || segment.mid(extensionHeader, 32).toUpper() != guid)
            continue;
        if (!found.segments.empty() && bigEndian32At(segment, extensionHeader + 32) != length)
            return {};
        length = bigEndian32At(segment, extensionHeader + 32);
        chunks[bigEndian32At(segment, extensionHeader + 36)] = segment.mid(extensionHeader + 40);
        found.segments.push_back({offset, size});
    }
    for (const auto &[at, chunk] : chunks) {
        if (at != static_cast<std::uint32_t>(found.packet.size()))
            return {};
        found.packet += chunk;
    }
    if (found.packet.size() != static_cast<qsizetype>(length))
        return {};
    return found;
}

QByteArray extensionSegments(const QByteArray &packet)
{
    const QByteArray guid = xmpGuidOf(packet);
    const auto step = static_cast<qsizetype>(maxExtensionChunk);
    QByteArray segments;
    for (qsizetype at = 0; at < packet.size(); at += step) {
        segments += appSegment(0xE1, xmpExtensionSignature,
                               guid + bigEndian32(static_cast<std::size_t>(packet.size())) + bigEndian32(static_cast<std::size_t>(at))
                                   + packet.mid(at, step));
    }
    return segments;
}
} // namespace

void readCopies(const QByteArray &jpeg, const JpegLayout &layout, FieldCopies &copies)
{
    const QByteArray main = segmentPayload(jpeg, layout.xmpOffset, layout.xmpSize, std::strlen(xmpSignature));
    CaptionCopies::readXmp(main, copies);
    CaptionCopies::readXmp(extendedPacket(jpeg, layout, main).packet, copies);
}

void addChanges(const QByteArray &jpeg, const JpegLayout &layout, const CopyEdits &edits, std::size_t insertAt, std::vector<SegmentChange> &changes,
                std::vector<QByteArray> &skipped)
{
    if (!layout.xmpOffset && !edits.createMissing)
        return;
    const QByteArray main
        = layout.xmpOffset ? segmentPayload(jpeg, layout.xmpOffset, layout.xmpSize, std::strlen(xmpSignature)) : CaptionCopies::emptyXmp();
    const ExtendedXmp extended = extendedPacket(jpeg, layout, main);
    // A field only the extended packet holds is edited there, not made a
    // second time in the main packet.
    FieldCopies inMain, inExtended;
    CaptionCopies::readXmp(main, inMain);
    CaptionCopies::readXmp(extended.packet, inExtended);
    CopyEdits mainEdits = edits, extendedEdits = edits;
    extendedEdits.createMissing = false;
    const auto onlyExtended = [](std::optional<QByteArray> &edit, const std::vector<TextCopy> &here, const std::vector<TextCopy> &there) {
        if (here.empty() && !there.empty())
            edit.reset();
    };
    onlyExtended(mainEdits.description, inMain.description, inExtended.description);
    onlyExtended(mainEdits.artist, inMain.artist, inExtended.artist);
    onlyExtended(mainEdits.copyright, inMain.copyright, inExtended.copyright);

    ImageStatus status = ImageStatus::Ok;
    const auto newMain = mainEdits.any() ? CaptionCopies::rewriteXmp(main, mainEdits, status) : std::nullopt;
    std::optional<QByteArray> newExtended;
    if (status == ImageStatus::Ok && !extended.packet.isEmpty())
        newExtended = CaptionCopies::rewriteXmp(extended.packet, extendedEdits, status);
    if (status != ImageStatus::Ok) {
        skipped.push_back("XMP");
        return;
    }
    if (!newMain && !newExtended)
        return;
    SplitXmp packets{newMain.value_or(main), newExtended.value_or(extended.packet)};
    if (newExtended)
        packets.main.replace(extendedXmpGuid(packets.main), xmpGuidOf(packets.extended));
    if (static_cast<std::size_t>(packets.main.size()) > maxMainPacket) {
        // Properties move to an extended packet only where there is none yet.
        const auto split = extended.packet.isEmpty() ? splitXmp(packets.main, maxMainPacket) : std::nullopt;
        if (!split) {
            skipped.push_back("XMP");
            return;
        }
        packets = *split;
    }
    QByteArray segments = appSegment(0xE1, xmpSignature, packets.main);
    if (packets.extended != extended.packet) {
        segments += extensionSegments(packets.extended);
        for (const auto &[offset, size] : extended.segments)
            changes.push_back({offset, size, QByteArray()});
    }
    changes.push_back({layout.xmpOffset.value_or(insertAt), layout.xmpSize, segments});
}

} // namespace lumicap::JpegXmp
