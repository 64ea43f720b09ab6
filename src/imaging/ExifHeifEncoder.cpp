#include "imaging/ExifEncoding.h"

#include "imaging/CaptionCopies.h"
#include "imaging/TiffEditor.h"

namespace lumicap::exifcodec {

// HEIF and AVIF: the Exif item and the XMP item are each rewritten as a
// whole, over their old bytes or at the end of the file (see
// putBmffMetadata); the image items and their data are never touched. The
// Exif item keeps the offset prefix it had (a new one gets the "Exif" header
// phones write), and inside its block only the first directory changes, as in
// a JPEG.
ImageStatus encodeHeif(const QByteArray &file, const Decoded &decoded, const ExifData &intended, const TagEdits &edits, bool exifChanged,
                       QList<QByteArray> &pieces, bool &unchanged, std::vector<QByteArray> &skipped)
{
    const BmffLayout &layout = decoded.heif;
    std::optional<QByteArray> xmp;
    if (edits.copies.any() && (layout.xmp || edits.copies.createMissing)) {
        ImageStatus status = ImageStatus::GenericError;
        const auto packet = layout.xmp ? bmffItemData(file, layout, layout.items[*layout.xmp]) : CaptionCopies::emptyXmp();
        if (packet)
            xmp = CaptionCopies::rewriteXmp(*packet, edits.copies, status);
        if (status != ImageStatus::Ok)
            skipped.push_back("XMP");
    }
    if (!exifChanged && !xmp) {
        unchanged = true;
        return ImageStatus::Ok;
    }
    QByteArray result = file;
    std::optional<QByteArray> exif;
    if (exifChanged) {
        QByteArray block = layout.exif ? bmffItemData(file, layout, layout.items[*layout.exif])->mid(decoded.heifExifPrefix.size()) : QByteArray();
        bool fresh = false;
        // A block left with nothing stays, an empty structure.
        const TagEdits applied = blockEdits(block, decoded, edits, Resolution(), fresh);
        const ImageStatus status = TiffEditor::apply(block, applied, {0x7FFFFFF0, true});
        if (status != ImageStatus::Ok)
            return status;
        if (!blockAsIntended(block, intended, fresh, applied, decoded.writeOrder()))
            return ImageStatus::ValueOverflow;
        exif = (layout.exif ? decoded.heifExifPrefix : QByteArray("\0\0\0\6Exif\0\0", 10)) + block;
        if (const ImageStatus s = putBmffMetadata(result, layout, BmffMetadata::Exif, *exif); s != ImageStatus::Ok)
            return s;
    }
    if (xmp) {
        BmffLayout now;
        ImageStatus s = parseBmffLayout(result, now);
        if (s == ImageStatus::Ok)
            s = putBmffMetadata(result, now, BmffMetadata::Xmp, *xmp);
        if (s != ImageStatus::Ok)
            return s;
    }
    // Read back: the new file must parse and carry each new item's data.
    Decoded written;
    if (decode(ImageFormat::Heif, result, written) != ImageStatus::Ok
        || (exif && (!written.heif.exif || bmffItemData(result, written.heif, written.heif.items[*written.heif.exif]) != exif))
        || (xmp && (!written.heif.xmp || bmffItemData(result, written.heif, written.heif.items[*written.heif.xmp]) != xmp)))
        return ImageStatus::GenericError;
    if (!writtenAsIntended(intended, written.exif, edits, written.order))
        return ImageStatus::ValueOverflow;
    pieces = {result};
    return ImageStatus::Ok;
}

} // namespace lumicap::exifcodec
