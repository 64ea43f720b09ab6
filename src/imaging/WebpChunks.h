#pragma once

#include <QByteArray>

#include <cstddef>
#include <optional>
#include <vector>

namespace lumicap {

// One chunk of a WebP file's RIFF container.
struct WebpChunk
{
    std::size_t offset = 0; // of its four-character code
    std::size_t size = 0;   // code, length field, data and the pad byte of an odd length
    QByteArray fourcc;      // "VP8X", "EXIF", "XMP ", ...
    std::size_t length = 0; // of its data, as its length field says (without the pad byte)
    std::size_t dataSize() const { return length; }
};

// The chunks of a WebP file in file order, and what its header needs to know
// about the picture.
struct WebpLayout
{
    std::vector<WebpChunk> chunks;
    std::optional<std::size_t> vp8x; // index into chunks
    std::optional<std::size_t> exif;
    std::optional<std::size_t> xmp;
    // Where the RIFF data ends; bytes behind it (a trailer some writers
    // leave) are kept as they are.
    std::size_t end = 0;
    // From the bitstream of a simple file (no VP8X): the canvas and whether
    // a lossless picture uses its alpha.
    int width = 0;
    int height = 0;
    bool alpha = false;
};

// Walks the chunks of a WebP file. Nothing when it is not one we can prove
// we understand: no RIFF/WEBP header, a RIFF length of less than the header
// or past the end of the file, a chunk running past the RIFF data, no
// picture, a simple file whose bitstream header is damaged, or several
// EXIF or XMP chunks.
std::optional<WebpLayout> parseWebpLayout(const QByteArray &webp);

QByteArray webpChunkData(const QByteArray &webp, const WebpChunk &chunk);

// The file with its EXIF and XMP chunks replaced by exif and xmp (empty:
// the chunk goes; nothing: as it is). A new chunk goes where readers look
// for it (EXIF after the picture, XMP after EXIF); a simple file gets a
// VP8X header first. The VP8X flags for EXIF and XMP say what the file now
// has, every other flag and chunk is kept byte for byte and in order, and
// the RIFF length is set to the new data's.
QByteArray rewriteWebp(const QByteArray &webp, const WebpLayout &layout, const std::optional<QByteArray> &exif, const std::optional<QByteArray> &xmp);

} // namespace lumicap
