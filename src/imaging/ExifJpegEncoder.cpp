#include "imaging/ExifEncoding.h"

#include "imaging/CaptionCopies.h"
#include "imaging/JpegOffsets.h"
#include "imaging/JpegXmp.h"
#include "imaging/TiffEditor.h"

#include <algorithm>
#include <cstring>

namespace lumicap::exifcodec {

namespace {

// The XMP and IPTC copies of a JPEG, as segment changes; a copy that cannot
// be parsed, or IPTC spread over several segments, is left as it is.
std::vector<SegmentChange> jpegCopies(const QByteArray &file, const JpegLayout &layout, const CopyEdits &edits, std::vector<QByteArray> &skipped)
{
    std::vector<SegmentChange> changes;
    if (!edits.any())
        return changes;
    // New copies go after the Exif segment, or where it would be.
    const std::size_t insertAt = layout.exifOffset ? *layout.exifOffset + layout.exifSize : layout.insertOffset;
    JpegXmp::addChanges(file, layout, edits, insertAt, changes, skipped);
    if (layout.photoshopSegments > 1) {
        skipped.push_back("IPTC"); // spread over several segments: not ours to rejoin
    } else if (layout.photoshopOffset || edits.createMissing) {
        ImageStatus status = ImageStatus::Ok;
        const QByteArray payload = segmentPayload(file, layout.photoshopOffset, layout.photoshopSize, std::strlen(photoshopSignature));
        if (const auto rewritten = CaptionCopies::rewritePhotoshop(payload, edits, status)) {
            const QByteArray segment = appSegment(0xED, photoshopSignature, *rewritten);
            if (segment.isEmpty())
                status = ImageStatus::ValueOverflow; // too long for its segment: said, not dropped
            else
                changes.push_back({layout.photoshopOffset.value_or(insertAt), layout.photoshopSize, segment});
        }
        if (status != ImageStatus::Ok)
            skipped.push_back("IPTC");
    }
    return changes;
}

ImageStatus spliceJpeg(const QByteArray &file, const Decoded &decoded, const std::vector<SegmentChange> &changes, QList<QByteArray> &pieces)
{
    pieces = spliceSegments(file, changes);
    if (pieces.isEmpty())
        return ImageStatus::GenericError;
    // The new header must parse, and carry the new Exif block if there is one.
    qsizetype headerSize = static_cast<qsizetype>(decoded.jpeg.scanHeaderEnd) + 0x40000;
    for (const SegmentChange &change : changes)
        headerSize += std::max<qsizetype>(0, change.bytes.size() - static_cast<qsizetype>(change.size));
    QByteArray header;
    for (const QByteArray &piece : pieces)
        header += piece.left(headerSize - header.size());
    const auto check = parseJpegLayout(header);
    if (!check)
        return ImageStatus::GenericError;
    for (const SegmentChange &change : changes) {
        if (change.offset == decoded.jpeg.exifOffset.value_or(decoded.jpeg.insertOffset) && change.bytes.startsWith("\xFF\xE1")
            && change.bytes.mid(4, 6) == QByteArray("Exif\0\0", 6) && exifPayload(header, *check) != change.bytes.mid(10))
            return ImageStatus::GenericError;
    }
    return ImageStatus::Ok;
}
} // namespace

// JPEG: the Exif block is a small TIFF structure and is edited like one. Only
// its first directory changes; the rest of the block, maker notes included,
// keeps every byte at its offset, and the rest of the file is written
// straight from where it was read. Remove-all starts from an empty block.
// The XMP and Photoshop segments are rewritten on their own when their
// copies of the fields change.
ImageStatus encodeJpeg(const QByteArray &file, const Decoded &decoded, const ExifData &intended, const TagEdits &edits, bool exifChanged,
                       QList<QByteArray> &pieces, bool &unchanged, std::vector<QByteArray> &skipped)
{
    std::vector<SegmentChange> changes = jpegCopies(file, decoded.jpeg, edits.copies, skipped);
    if (!exifChanged && changes.empty()) {
        unchanged = true;
        return ImageStatus::Ok;
    }
    QByteArray block = exifPayload(file, decoded.jpeg);
    bool fresh = false;
    if (exifChanged) {
        const TagEdits applied = blockEdits(block, decoded, edits, decoded.jpeg.resolution.value_or(Resolution()), fresh);
        if (fresh && applied.set.empty()) {
            block.clear(); // nothing left: the segment goes
        } else {
            const ImageStatus status = TiffEditor::apply(block, applied, {maxExifPayload, true, jpegExifSpare});
            if (status != ImageStatus::Ok)
                return status;
        }
        if (!blockAsIntended(block, intended, fresh, applied, decoded.writeOrder()))
            return ImageStatus::ValueOverflow;
    }
    const std::size_t exifAt = decoded.jpeg.exifOffset.value_or(decoded.jpeg.insertOffset);
    if (exifChanged)
        changes.insert(changes.begin(), {exifAt, decoded.jpeg.exifSize, block.isEmpty() ? QByteArray() : exifSegment(block)});

    // File offsets to data behind changed segments move with the data.
    const auto shift = [&changes](std::uint64_t offset) {
        std::int64_t delta = 0;
        for (const SegmentChange &c : changes) {
            if (c.offset + c.size <= offset)
                delta += static_cast<std::int64_t>(c.bytes.size()) - static_cast<std::int64_t>(c.size);
        }
        return delta;
    };
    if (!fresh && !block.isEmpty()
        && std::any_of(changes.begin(), changes.end(), [](const SegmentChange &c) { return static_cast<std::size_t>(c.bytes.size()) != c.size; })) {
        QByteArray moved = block;
        if (!TiffEditor::moveFileOffsets(moved, shift))
            return ImageStatus::ValueOverflow;
        if (moved != block) {
            if (exifChanged)
                changes.front().bytes = exifSegment(moved);
            else
                changes.insert(changes.begin(), {exifAt, decoded.jpeg.exifSize, exifSegment(moved)});
        }
    }
    if (!keepOffsetsBehindThePicture(file, decoded.jpeg, changes))
        return ImageStatus::ValueOverflow;
    return spliceJpeg(file, decoded, changes, pieces);
}

} // namespace lumicap::exifcodec
