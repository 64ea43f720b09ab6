#pragma once

#include "imaging/Resolution.h"

#include <QByteArray>
#include <QList>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace lumicap {

// The header of a JPEG file up to its first scan, as far as tags are concerned:
// where the Exif APP1 segment is, and where a new one would go. Everything
// else in the file is copied through untouched when the tags change.
struct JpegLayout
{
    // Offset and total size (marker included) of the first Exif APP1 segment.
    std::optional<std::size_t> exifOffset;
    std::size_t exifSize = 0;
    // The same for the first XMP packet (APP1) and the first Photoshop
    // resources (APP13, where IPTC lives); several Photoshop segments are
    // counted, and the segments of an extended XMP packet listed (offset
    // and size of each).
    std::optional<std::size_t> xmpOffset;
    std::size_t xmpSize = 0;
    std::optional<std::size_t> photoshopOffset;
    std::size_t photoshopSize = 0;
    int photoshopSegments = 0;
    std::vector<std::pair<std::size_t, std::size_t>> xmpExtensions;
    // The multi-picture index (APP2 "MPF"), whose offsets lead to the
    // pictures stored behind this one.
    std::optional<std::size_t> mpfOffset;
    std::size_t mpfSize = 0;
    // Where an Exif segment is inserted when the file has none: after SOI, and
    // after a JFIF APP0 that must stay first.
    std::size_t insertOffset = 2;
    // The pixel density that JFIF APP0 states, when it states a valid one.
    std::optional<Resolution> resolution;
    // The end of the start-of-scan segment's header.
    std::size_t scanHeaderEnd = 0;
    // The picture's size from its start-of-frame segment; 0 without one.
    int width = 0;
    int height = 0;
    // How many segments come before the scan.
    std::size_t segments = 0;
};

// A header this crowded is not a photo's: decoders have been seen to take
// minutes over one, so no preview is decoded from it.
constexpr std::size_t maxPreviewSegments = 4096;

// Parses the markers of a JPEG file. Returns nothing when the bytes are not a
// well-formed JPEG header (a segment runs past the end, no SOI, no scan).
std::optional<JpegLayout> parseJpegLayout(const QByteArray &jpeg);

// The TIFF structure inside the Exif segment (after "Exif\0\0").
QByteArray exifPayload(const QByteArray &jpeg, const JpegLayout &layout);

// The largest Exif block one APP1 segment can carry.
constexpr std::size_t maxExifPayload = 65535 - 2 - 6;
// Zeros left at the end of an Exif block that had to grow, so that the next
// save, a text a little longer, keeps the segment's length and with it every
// byte behind it (readers stop at the structure's end).
constexpr std::uint32_t jpegExifSpare = 512;

// The APP1 segment that carries tiffBlock; the caller has checked the size
// against maxExifPayload.
QByteArray exifSegment(const QByteArray &tiffBlock);

// What follows the marker and length of an XMP or a Photoshop segment.
constexpr char xmpSignature[] = "http://ns.adobe.com/xap/1.0/";                // and a zero
constexpr char photoshopSignature[] = "Photoshop 3.0";                         // and a zero
constexpr char xmpExtensionSignature[] = "http://ns.adobe.com/xmp/extension/"; // and a zero
QByteArray segmentPayload(const QByteArray &jpeg, std::optional<std::size_t> offset, std::size_t size, std::size_t signature);
// An APP segment of the given marker carrying signature, a zero and payload;
// empty when it would be longer than a segment can be.
QByteArray appSegment(unsigned char marker, const char *signature, const QByteArray &payload);

// One segment replaced (or, with size 0, inserted at offset) by bytes.
struct SegmentChange
{
    std::size_t offset = 0;
    std::size_t size = 0;
    QByteArray bytes;
};
// The file with several segments changed, as pieces (views into jpeg and the
// new bytes). Insertions at the offset of a replaced segment go in front of
// it; changes that overlap give no pieces.
QList<QByteArray> spliceSegments(const QByteArray &jpeg, std::vector<SegmentChange> changes);

} // namespace lumicap
