#include "imaging/WebpChunks.h"

#include <cstdint>

namespace lumicap {

namespace {
constexpr std::size_t riffHeaderSize = 12; // "RIFF", length, "WEBP"
constexpr std::size_t vp8xDataSize = 10;
constexpr unsigned char exifFlag = 0x08;
constexpr unsigned char xmpFlag = 0x04;
constexpr unsigned char alphaFlag = 0x10;

std::uint32_t littleEndian(const QByteArray &bytes, std::size_t at, int count = 4)
{
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[static_cast<qsizetype>(at) + i]);
    return value;
}

QByteArray littleEndianBytes(std::uint32_t value, int count = 4)
{
    QByteArray out(count, '\0');
    for (int i = 0; i < count; ++i)
        out[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

QByteArray chunk(const QByteArray &fourcc, const QByteArray &data)
{
    QByteArray out = fourcc + littleEndianBytes(static_cast<std::uint32_t>(data.size())) + data;
    if (data.size() % 2)
        out.append('\0');
    return out;
}

bool isPicture(const QByteArray &fourcc)
{
    return fourcc == "VP8 " || fourcc == "VP8L" || fourcc == "ANMF";
}

// The canvas a simple file's only bitstream states; false when its header
// is not a well-formed key frame or lossless header.
bool readCanvas(const QByteArray &webp, const WebpChunk &picture, WebpLayout &layout)
{
    const std::size_t at = picture.offset + 8;
    if (picture.fourcc == "VP8 ") {
        if (picture.dataSize() < 10 || (static_cast<unsigned char>(webp[qsizetype(at)]) & 1) != 0
            || webp.mid(qsizetype(at) + 3, 3) != QByteArray("\x9D\x01\x2A", 3))
            return false;
        layout.width = static_cast<int>(littleEndian(webp, at + 6, 2) & 0x3FFF);
        layout.height = static_cast<int>(littleEndian(webp, at + 8, 2) & 0x3FFF);
    } else {
        if (picture.dataSize() < 5 || webp[qsizetype(at)] != '\x2F')
            return false;
        const std::uint32_t bits = littleEndian(webp, at + 1);
        layout.width = static_cast<int>(bits & 0x3FFF) + 1;
        layout.height = static_cast<int>((bits >> 14) & 0x3FFF) + 1;
        layout.alpha = (bits >> 28) & 1;
    }
    return layout.width > 0 && layout.height > 0;
}
} // namespace

std::optional<WebpLayout> parseWebpLayout(const QByteArray &webp)
{
    const auto size = static_cast<std::size_t>(webp.size());
    if (size < riffHeaderSize || !webp.startsWith("RIFF") || webp.mid(8, 4) != "WEBP")
        return std::nullopt;
    const std::size_t riffSize = littleEndian(webp, 4);
    if (riffSize < 4 || riffSize > size - 8)
        return std::nullopt; // too short for its own header, or truncated
    WebpLayout layout;
    layout.end = 8 + riffSize;
    for (std::size_t at = riffHeaderSize; at < layout.end;) {
        if (layout.end - at < 8)
            return std::nullopt;
        const std::size_t dataSize = littleEndian(webp, at + 4);
        const std::size_t total = 8 + dataSize + dataSize % 2;
        if (dataSize > layout.end - at - 8 || total > layout.end - at)
            return std::nullopt; // past the end, or an odd last chunk without its pad byte
        const WebpChunk c{at, total, webp.mid(qsizetype(at), 4), dataSize};
        const auto index = layout.chunks.size();
        const auto once = [index](std::optional<std::size_t> &slot) {
            if (slot)
                return false;
            slot = index;
            return true;
        };
        if ((c.fourcc == "VP8X" && (index != 0 || dataSize < vp8xDataSize || !once(layout.vp8x))) || (c.fourcc == "EXIF" && !once(layout.exif))
            || (c.fourcc == "XMP " && !once(layout.xmp)))
            return std::nullopt;
        layout.chunks.push_back(c);
        at += total;
    }
    if (layout.chunks.empty())
        return std::nullopt;
    const WebpChunk &first = layout.chunks.front();
    if (!layout.vp8x) {
        // A simple file: one bitstream and nothing else.
        if ((first.fourcc != "VP8 " && first.fourcc != "VP8L") || layout.chunks.size() != 1 || !readCanvas(webp, first, layout))
            return std::nullopt;
        return layout;
    }
    bool picture = false;
    for (const WebpChunk &c : layout.chunks)
        picture = picture || isPicture(c.fourcc);
    if (!picture)
        return std::nullopt;
    return layout;
}

QByteArray webpChunkData(const QByteArray &webp, const WebpChunk &chunk)
{
    return webp.mid(qsizetype(chunk.offset + 8), qsizetype(chunk.dataSize()));
}

QByteArray rewriteWebp(const QByteArray &webp, const WebpLayout &layout, const std::optional<QByteArray> &exif, const std::optional<QByteArray> &xmp)
{
    const auto kept = [&](const std::optional<std::size_t> &index) { return index ? webpChunkData(webp, layout.chunks[*index]) : QByteArray(); };
    const QByteArray newExif = exif ? *exif : kept(layout.exif);
    const QByteArray newXmp = xmp ? *xmp : kept(layout.xmp);

    QByteArray header;
    if (layout.vp8x) {
        header = webpChunkData(webp, layout.chunks[*layout.vp8x]);
    } else {
        header = QByteArray(vp8xDataSize, '\0');
        header[0] = static_cast<char>(layout.alpha ? alphaFlag : 0);
        header.replace(4, 3, littleEndianBytes(static_cast<std::uint32_t>(layout.width - 1), 3));
        header.replace(7, 3, littleEndianBytes(static_cast<std::uint32_t>(layout.height - 1), 3));
    }
    unsigned char flags = static_cast<unsigned char>(header[0]) & ~(exifFlag | xmpFlag);
    flags |= (newExif.isEmpty() ? 0 : exifFlag) | (newXmp.isEmpty() ? 0 : xmpFlag);
    header[0] = static_cast<char>(flags);

    // New chunks go behind the picture: EXIF before an XMP chunk the file
    // has, XMP behind the EXIF chunk.
    std::size_t behindPicture = 0;
    for (std::size_t i = 0; i < layout.chunks.size(); ++i) {
        const QByteArray &code = layout.chunks[i].fourcc;
        if (isPicture(code) || code == "VP8X" || code == "ICCP" || code == "ANIM" || code == "ALPH")
            behindPicture = i + 1;
    }
    const std::size_t exifAt = layout.exif ? *layout.exif : layout.xmp ? *layout.xmp : behindPicture;
    const std::size_t xmpAt = layout.xmp ? *layout.xmp : layout.exif ? *layout.exif + 1 : exifAt;

    QByteArray data("WEBP");
    if (!layout.vp8x)
        data += chunk("VP8X", header);
    for (std::size_t i = 0; i <= layout.chunks.size(); ++i) {
        if (i == exifAt && !newExif.isEmpty())
            data += chunk("EXIF", newExif);
        if (i == xmpAt && !newXmp.isEmpty())
            data += chunk("XMP ", newXmp);
        if (i == layout.chunks.size())
            break;
        const WebpChunk &c = layout.chunks[i];
        if (i == layout.vp8x)
            data += chunk("VP8X", header);
        else if (i != layout.exif && i != layout.xmp)
            data += webp.mid(qsizetype(c.offset), qsizetype(c.size));
    }
    return "RIFF" + littleEndianBytes(static_cast<std::uint32_t>(data.size())) + data + webp.mid(qsizetype(layout.end));
}

} // namespace lumicap
