#pragma once

#include "imaging/Resolution.h"

#include <QByteArray>

#include <cstddef>
#include <optional>
#include <vector>

namespace lumicap {

// One chunk of a PNG file.
struct PngChunk
{
    std::size_t offset = 0; // of its length field
    std::size_t size = 0;   // length field, type, data and CRC
    QByteArray type;        // "eXIf", "iTXt", ...
    QByteArray keyword;     // a text chunk's keyword
};

// Where a PNG keeps its tags: the first chunk of each kind, every IPTC chunk.
// Everything else in the file is copied through untouched when the tags
// change.
struct PngLayout
{
    // The Exif block: an eXIf chunk, else a text chunk with ImageMagick's
    // "Raw profile type exif" (or "APP1") in hexadecimal.
    std::optional<PngChunk> exif;
    // The XMP packet, in an iTXt chunk "XML:com.adobe.xmp", else in a text
    // chunk "Raw profile type xmp" (older ImageMagick).
    std::optional<PngChunk> xmp;
    // Photoshop resources (or bare IPTC) in text chunks "Raw profile type
    // iptc" or "8bim", as ImageMagick and ExifTool write them, in file order.
    // ImageMagick keeps IPTC twice: resources in "8bim", bare in "iptc".
    std::vector<PngChunk> iptc;
    // The pixel density that pHYs states, when it states a valid one.
    std::optional<Resolution> resolution;
    // Where new chunks go: before the first image data.
    std::size_t insertOffset = 0;
};

// Walks the chunks of a PNG file. Nothing when the bytes are not a
// well-formed PNG up to its image data (no signature, a chunk runs past the
// end, no IHDR first, no IDAT).
std::optional<PngLayout> parsePngLayout(const QByteArray &png);

// What a chunk carries: an eXIf's data; a text chunk's text, inflated; for a
// raw profile, the bytes its hexadecimal text stands for. Nothing when it
// cannot be read.
std::optional<QByteArray> pngChunkPayload(const QByteArray &png, const PngChunk &chunk);
// A chunk carrying payload the way chunk does: the same type and keyword,
// compressed when it was, a raw profile under the same name.
QByteArray pngChunkLike(const QByteArray &png, const PngChunk &chunk, const QByteArray &payload);

// New chunks, as other programs write them.
QByteArray pngExifChunk(const QByteArray &tiffBlock);
QByteArray pngXmpChunk(const QByteArray &packet);
QByteArray pngIptcChunk(const QByteArray &resources);
// A plain tEXt chunk (Latin-1 text, never compressed).
QByteArray pngTextChunk(const QByteArray &keyword, const QByteArray &text);

} // namespace lumicap
