#include "imaging/ExifEncoding.h"

#include "imaging/CaptionCopies.h"
#include "imaging/TiffEditor.h"

#include <functional>

namespace lumicap::exifcodec {

namespace {

std::optional<QByteArray> rewriteIptcProfile(const QByteArray &profile, const CopyEdits &edits, ImageStatus &status)
{
    return profile.startsWith('\x1C') ? CaptionCopies::rewriteIptc(profile, edits, status) : CaptionCopies::rewritePhotoshop(profile, edits, status);
}

// A chunk's new payload, and where to find it again when the new file is
// read back.
using PngPlace = std::function<std::optional<PngChunk>(const PngLayout &)>;
using PngPayload = std::pair<PngPlace, QByteArray>;

PngPlace iptcChunkAt(std::size_t index)
{
    return [index](const PngLayout &l) { return index < l.iptc.size() ? std::optional<PngChunk>(l.iptc[index]) : std::nullopt; };
}

// The XMP and IPTC copies of a PNG, as chunk changes: each chunk rewritten in
// its own kind, a new one before the image data. A copy that cannot be read
// or parsed is left as it is.
std::vector<SegmentChange> pngCopies(const QByteArray &file, const PngLayout &layout, const CopyEdits &edits, std::vector<QByteArray> &skipped,
                                     std::vector<PngPayload> &written)
{
    std::vector<SegmentChange> changes;
    if (!edits.any())
        return changes;
    // Rewrites chunk, or adds a new one without it; false when it cannot be
    // read or parsed.
    const auto rewrite = [&](const std::optional<PngChunk> &chunk, PngPlace place, const QByteArray &empty, auto rewriter,
                             QByteArray (*newChunk)(const QByteArray &)) {
        ImageStatus status = ImageStatus::GenericError;
        const auto payload = chunk ? pngChunkPayload(file, *chunk) : std::optional<QByteArray>(empty);
        if (payload) {
            if (const auto rewritten = rewriter(*payload, edits, status)) {
                changes.push_back(chunk ? SegmentChange{chunk->offset, chunk->size, pngChunkLike(file, *chunk, *rewritten)}
                                        : SegmentChange{layout.insertOffset, 0, newChunk(*rewritten)});
                written.emplace_back(std::move(place), *rewritten);
            }
        }
        return status == ImageStatus::Ok;
    };
    if ((layout.xmp || edits.createMissing)
        && !rewrite(
            layout.xmp, [](const PngLayout &l) { return l.xmp; }, CaptionCopies::emptyXmp(), CaptionCopies::rewriteXmp, pngXmpChunk))
        skipped.push_back("XMP");
    bool iptcRead = true;
    for (std::size_t i = 0; i < layout.iptc.size(); ++i)
        iptcRead = rewrite(layout.iptc[i], iptcChunkAt(i), QByteArray(), rewriteIptcProfile, pngIptcChunk) && iptcRead;
    if (layout.iptc.empty() && edits.createMissing)
        iptcRead = rewrite(std::nullopt, iptcChunkAt(0), QByteArray(), rewriteIptcProfile, pngIptcChunk);
    if (!iptcRead)
        skipped.push_back("IPTC");
    return changes;
}

// The new payload of an Exif block kept whole in one chunk (PNG, WebP),
// from what the chunk stored (empty without one): the header it started
// with stays, only the first directory changes; empty when nothing is left.
ImageStatus wholeExifPayload(const QByteArray &stored, const Decoded &decoded, const ExifData &intended, const TagEdits &edits,
                             const Resolution &resolution, QByteArray &payload)
{
    const QByteArray header = stored.startsWith(exifHeaderInPng) ? exifHeaderInPng : QByteArray();
    QByteArray block = stored.mid(header.size());
    bool fresh = false;
    const TagEdits applied = blockEdits(block, decoded, edits, resolution, fresh);
    if (fresh && applied.set.empty())
        block.clear(); // nothing left: the chunk goes
    if (!block.isEmpty()) {
        const ImageStatus status = TiffEditor::apply(block, applied, {0x7FFFFFF0, true}); // a chunk's largest length
        if (status != ImageStatus::Ok)
            return status;
    }
    if (!blockAsIntended(block, intended, fresh, applied, decoded.writeOrder()))
        return ImageStatus::ValueOverflow;
    payload = block.isEmpty() ? QByteArray() : header + block;
    return ImageStatus::Ok;
}
} // namespace

// PNG: only the chunks that hold the fields change, each where it was and
// of its own kind (an eXIf stays an eXIf, a raw profile a raw profile); a new
// Exif block goes into an eXIf before the image data. Every other chunk is
// copied through byte for byte, the image data never decompressed. Inside
// the Exif block only the first directory changes, as in a JPEG.
ImageStatus encodePng(const QByteArray &file, const Decoded &decoded, const ExifData &intended, const TagEdits &edits, bool exifChanged,
                      QList<QByteArray> &pieces, bool &unchanged, std::vector<QByteArray> &skipped)
{
    const PngLayout &layout = decoded.png;
    std::vector<PngPayload> payloads;
    std::vector<SegmentChange> changes = pngCopies(file, layout, edits.copies, skipped, payloads);
    if (!exifChanged && changes.empty()) {
        unchanged = true;
        return ImageStatus::Ok;
    }
    if (exifChanged) {
        const auto stored = pngExifPayload(file, layout);
        if (!stored)
            return ImageStatus::GenericError; // not ours to replace with a second block
        QByteArray payload;
        if (ImageStatus s = wholeExifPayload(*stored, decoded, intended, edits, layout.resolution.value_or(Resolution()), payload);
            s != ImageStatus::Ok)
            return s;
        if (payload.isEmpty()) {
            if (layout.exif) // nothing left: the chunk goes
                changes.insert(changes.begin(), {layout.exif->offset, layout.exif->size, QByteArray()});
        } else {
            changes.insert(changes.begin(),
                           layout.exif ? SegmentChange{layout.exif->offset, layout.exif->size, pngChunkLike(file, *layout.exif, payload)}
                                       : SegmentChange{layout.insertOffset, 0, pngExifChunk(payload)});
            payloads.emplace_back([](const PngLayout &l) { return l.exif; }, payload);
        }
    }
    // Read back: the new file must parse, carry each new payload where it is
    // looked for, and its Exif must be what was asked.
    QByteArray result;
    for (const QByteArray &piece : spliceSegments(file, changes))
        result += piece;
    Decoded written;
    if (decode(ImageFormat::Png, result, written) != ImageStatus::Ok)
        return ImageStatus::GenericError;
    for (const auto &[place, payload] : payloads) {
        const std::optional<PngChunk> chunk = place(written.png);
        if (!chunk || pngChunkPayload(result, *chunk) != payload)
            return ImageStatus::GenericError;
    }
    if (!writtenAsIntended(intended, written.exif, edits, written.order))
        return ImageStatus::ValueOverflow;
    pieces = {result};
    return ImageStatus::Ok;
}

// WebP: the EXIF and XMP chunks change, or are added behind the picture
// with a VP8X header where the file had none; every other chunk, image data
// and animation frames included, is copied through byte for byte and in
// order. Inside the Exif block only the first directory changes.
ImageStatus encodeWebp(const QByteArray &file, const Decoded &decoded, const ExifData &intended, const TagEdits &edits, bool exifChanged,
                       QList<QByteArray> &pieces, bool &unchanged, std::vector<QByteArray> &skipped)
{
    const WebpLayout &layout = decoded.webp;
    const auto dataOf = [](const QByteArray &webp, const WebpLayout &l, const std::optional<std::size_t> &index) {
        return index ? webpChunkData(webp, l.chunks[*index]) : QByteArray();
    };
    std::optional<QByteArray> xmp;
    if (edits.copies.any() && (layout.xmp || edits.copies.createMissing)) {
        ImageStatus status = ImageStatus::Ok;
        xmp = CaptionCopies::rewriteXmp(layout.xmp ? dataOf(file, layout, layout.xmp) : CaptionCopies::emptyXmp(), edits.copies, status);
        if (status != ImageStatus::Ok)
            skipped.push_back("XMP");
    }
    std::optional<QByteArray> exif;
    if (exifChanged) {
        exif.emplace();
        if (ImageStatus s = wholeExifPayload(webpExifPayload(file, layout), decoded, intended, edits, Resolution(), *exif); s != ImageStatus::Ok)
            return s;
    }
    if (!exif && !xmp) {
        unchanged = true;
        return ImageStatus::Ok;
    }
    // Read back: the new file must parse, carry what was meant in its
    // chunks, and its Exif must be what was asked.
    const QByteArray result = rewriteWebp(file, layout, exif, xmp);
    Decoded written;
    if (decode(ImageFormat::WebP, result, written) != ImageStatus::Ok || (exif && dataOf(result, written.webp, written.webp.exif) != *exif)
        || (xmp && dataOf(result, written.webp, written.webp.xmp) != *xmp))
        return ImageStatus::GenericError;
    if (!writtenAsIntended(intended, written.exif, edits, written.order))
        return ImageStatus::ValueOverflow;
    pieces = {result};
    return ImageStatus::Ok;
}

} // namespace lumicap::exifcodec
