#pragma once

#include "imaging/BmffBoxes.h"
#include "imaging/ExivCompat.h"
#include "imaging/ImageFormat.h"
#include "imaging/ImageStatus.h"
#include "imaging/JpegSegments.h"
#include "imaging/PngChunks.h"
#include "imaging/Resolution.h"
#include "imaging/TagItem.h"
#include "imaging/WebpChunks.h"

#include <QByteArray>
#include <QList>

#include <optional>
#include <vector>

// What ExifCodec shares with its encoders, one for each kind of container:
// ExifJpegEncoder.cpp, ExifChunkEncoders.cpp (PNG, WebP) and
// ExifHeifEncoder.cpp; a TIFF is written in ExifCodec.cpp itself. Nothing
// outside ExifCodec uses these.
namespace lumicap::exifcodec {

using Exiv2::ExifData;

// A file's tags as Exiv2 reads them, and where its container keeps them.
struct Decoded
{
    ExifData exif;
    Exiv2::ByteOrder order = Exiv2::invalidByteOrder;
    JpegLayout jpeg;
    PngLayout png;
    WebpLayout webp;
    BmffLayout heif;
    QByteArray heifExifPrefix; // the Exif item's offset field and what it skips

    // The order values are written in: the block's own, little-endian for a
    // file without one.
    Exiv2::ByteOrder writeOrder() const { return order == Exiv2::invalidByteOrder ? Exiv2::littleEndian : order; }
};

ImageStatus decode(ImageFormat format, const QByteArray &file, Decoded &out);
// The tags of a bare Exif block (a TIFF structure); none when it is empty.
ExifData decodedBlock(const QByteArray &block, Exiv2::ByteOrder *order = nullptr);

// The header some writers start an Exif chunk with, as in a JPEG.
inline const QByteArray exifHeaderInPng("Exif\0\0", 6);
// What a PNG's Exif chunk holds (some writers start it with a JPEG's Exif
// header); empty without one, nothing when it cannot be read.
std::optional<QByteArray> pngExifPayload(const QByteArray &file, const PngLayout &layout);
QByteArray webpExifPayload(const QByteArray &file, const WebpLayout &layout);

// The edits made to Exiv2's copy of the tags: what the file should say.
void applyToExifData(ImageFormat format, ExifData &exif, Exiv2::ByteOrder order, const TagEdits &edits);
bool sameExifData(const ExifData &a, const ExifData &b, Exiv2::ByteOrder order);
// What was asked for must be what was written: every entry we meant to keep
// is there, and each tag we set holds exactly its bytes.
bool writtenAsIntended(const ExifData &intended, const ExifData &written, const TagEdits &edits, Exiv2::ByteOrder order);
// What a fresh block holds: when everything else is removed, the text tags
// and the required entries it had; for a file without an Exif block, the
// required entries, the resolution the file states elsewhere. Then the tags
// being set.
TagEdits freshBlockEdits(const ExifData &exif, Exiv2::ByteOrder order, const TagEdits &edits, const Resolution &resolution);
// The edits an Exif block (a TIFF structure, empty when the file has none)
// gets: those asked for or, when it is empty or the edits remove all, those
// of a fresh block; a fresh block starts as an empty structure, and fresh
// says so.
TagEdits blockEdits(QByteArray &block, const Decoded &decoded, const TagEdits &edits, const Resolution &resolution, bool &fresh);
// An edited block read back holds the intended tags or, when it started
// fresh, those applied to it.
bool blockAsIntended(const QByteArray &block, const ExifData &intended, bool fresh, const TagEdits &applied, Exiv2::ByteOrder order);

// The encoders: the file carrying intended, the tags after edits, as
// ExifCodec::applyEdits hands it out. exifChanged says whether the tags
// differ from the file's; a copy of the fields that cannot be parsed is
// named in skipped.
ImageStatus encodeJpeg(const QByteArray &file, const Decoded &decoded, const ExifData &intended, const TagEdits &edits, bool exifChanged,
                       QList<QByteArray> &pieces, bool &unchanged, std::vector<QByteArray> &skipped);
ImageStatus encodePng(const QByteArray &file, const Decoded &decoded, const ExifData &intended, const TagEdits &edits, bool exifChanged,
                      QList<QByteArray> &pieces, bool &unchanged, std::vector<QByteArray> &skipped);
ImageStatus encodeWebp(const QByteArray &file, const Decoded &decoded, const ExifData &intended, const TagEdits &edits, bool exifChanged,
                       QList<QByteArray> &pieces, bool &unchanged, std::vector<QByteArray> &skipped);
ImageStatus encodeHeif(const QByteArray &file, const Decoded &decoded, const ExifData &intended, const TagEdits &edits, bool exifChanged,
                       QList<QByteArray> &pieces, bool &unchanged, std::vector<QByteArray> &skipped);

} // namespace lumicap::exifcodec
