#include "imaging/PngChunks.h"

#include <zlib.h>

#include <cctype>
#include <numeric>

namespace lumicap {

namespace {
constexpr char pngSignature[] = "\x89PNG\r\n\x1a\n";
constexpr std::size_t pngSignatureSize = 8;
// A text chunk inflating to more than this is not one of ours to edit.
constexpr std::size_t maxInflated = 64 * 1024 * 1024;
const QByteArray xmpKeyword("XML:com.adobe.xmp");
const QByteArray rawProfile("Raw profile type ");

std::uint32_t readBigEndian(const QByteArray &bytes, std::size_t at)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData() + at);
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

QByteArray bigEndianBytes(std::uint32_t value)
{
    const char out[] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
    return QByteArray(out, 4);
}

bool isTextChunk(const QByteArray &type)
{
    return type == "tEXt" || type == "zTXt" || type == "iTXt";
}

std::optional<QByteArray> inflated(const QByteArray &data)
{
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return std::nullopt;
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    stream.avail_in = static_cast<uInt>(data.size());
    QByteArray out;
    int result = Z_OK;
    while (result == Z_OK && static_cast<std::size_t>(out.size()) < maxInflated) {
        char buffer[16384];
        stream.next_out = reinterpret_cast<Bytef *>(buffer);
        stream.avail_out = sizeof buffer;
        result = inflate(&stream, Z_NO_FLUSH);
        out.append(buffer, static_cast<qsizetype>(sizeof buffer - stream.avail_out));
    }
    inflateEnd(&stream);
    return result == Z_STREAM_END ? std::optional<QByteArray>(out) : std::nullopt;
}

QByteArray deflated(const QByteArray &text)
{
    uLongf size = compressBound(static_cast<uLong>(text.size()));
    QByteArray out(static_cast<qsizetype>(size), Qt::Uninitialized);
    if (compress2(reinterpret_cast<Bytef *>(out.data()), &size, reinterpret_cast<const Bytef *>(text.constData()), static_cast<uLong>(text.size()),
                  Z_BEST_COMPRESSION)
        != Z_OK)
        return {};
    out.truncate(static_cast<qsizetype>(size));
    return out;
}

// A text chunk's data as the part before its text (keyword, compression
// flags, language) and the text itself.
struct TextChunk
{
    QByteArray head;
    QByteArray text;
    bool compressed = false;
};

std::optional<TextChunk> splitText(const QByteArray &type, const QByteArray &data)
{
    const qsizetype keywordEnd = data.indexOf('\0');
    if (keywordEnd < 0)
        return std::nullopt;
    qsizetype textAt = keywordEnd + 1;
    bool compressed = type == "zTXt";
    if (compressed) {
        ++textAt; // the compression method
    } else if (type == "iTXt") {
        compressed = data.size() > keywordEnd + 2 && data[keywordEnd + 1] != '\0';
        const qsizetype language = data.indexOf('\0', keywordEnd + 3);
        const qsizetype translated = language < 0 ? -1 : data.indexOf('\0', language + 1);
        if (translated < 0)
            return std::nullopt;
        textAt = translated + 1;
    }
    if (textAt > data.size())
        return std::nullopt;
    TextChunk chunk{data.left(textAt), data.mid(textAt), compressed};
    if (compressed) {
        const auto text = inflated(chunk.text);
        if (!text)
            return std::nullopt;
        chunk.text = *text;
    }
    return chunk;
}

// ImageMagick's raw profile: "\n<name>\n<length>\n" and the bytes in
// hexadecimal, in lines.
std::optional<QByteArray> fromRawProfile(const QByteArray &text, QByteArray *name = nullptr)
{
    const qsizetype nameAt = text.startsWith('\n') ? 1 : 0;
    const qsizetype nameEnd = text.indexOf('\n', nameAt);
    const qsizetype lengthEnd = nameEnd < 0 ? -1 : text.indexOf('\n', nameEnd + 1);
    if (lengthEnd < 0)
        return std::nullopt;
    bool ok = false;
    const qsizetype length = text.mid(nameEnd + 1, lengthEnd - nameEnd - 1).trimmed().toLongLong(&ok);
    if (!ok || length < 0 || length > (text.size() - lengthEnd) / 2)
        return std::nullopt;
    QByteArray hex;
    hex.reserve(length * 2);
    for (qsizetype i = lengthEnd + 1; i < text.size() && hex.size() < length * 2; ++i) {
        const char c = text[i];
        if (std::isxdigit(static_cast<unsigned char>(c)))
            hex.append(c);
        else if (!std::isspace(static_cast<unsigned char>(c)))
            return std::nullopt;
    }
    if (hex.size() != length * 2)
        return std::nullopt;
    if (name)
        *name = text.mid(nameAt, nameEnd - nameAt);
    return QByteArray::fromHex(hex);
}

QByteArray toRawProfile(const QByteArray &name, const QByteArray &bytes)
{
    QByteArray text = '\n' + name + '\n' + QByteArray::number(bytes.size()).rightJustified(8) + '\n';
    const QByteArray hex = bytes.toHex();
    for (qsizetype at = 0; at < hex.size(); at += 72)
        text += hex.mid(at, 72) + '\n';
    return text;
}

QByteArray chunkData(const QByteArray &png, const PngChunk &chunk)
{
    return png.mid(static_cast<qsizetype>(chunk.offset + 8), static_cast<qsizetype>(chunk.size - 12));
}

QByteArray makeChunk(const QByteArray &type, const QByteArray &data)
{
    const QByteArray typed = type + data;
    const auto crc = crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef *>(typed.constData()), static_cast<uInt>(typed.size()));
    return bigEndianBytes(static_cast<std::uint32_t>(data.size())) + typed + bigEndianBytes(static_cast<std::uint32_t>(crc));
}

// pHYs: pixels per unit in X and Y, and the unit (0 aspect ratio only, 1
// metre, which becomes an exact number per centimetre).
std::optional<Resolution> resolutionOf(const QByteArray &phys)
{
    if (phys.size() != 9)
        return std::nullopt;
    const std::uint32_t x = readBigEndian(phys, 0), y = readBigEndian(phys, 4);
    const auto unit = static_cast<unsigned char>(phys[8]);
    if (!x || !y || unit > 1)
        return std::nullopt;
    if (unit == 0)
        return Resolution{x, 1, y, 1, 1};
    const std::uint32_t perX = std::gcd(x, 100u), perY = std::gcd(y, 100u);
    return Resolution{x / perX, 100 / perX, y / perY, 100 / perY, 3};
}

bool isRawProfile(const QByteArray &keyword, const char *a, const char *b)
{
    return keyword.startsWith(rawProfile) && (keyword.mid(rawProfile.size()) == a || keyword.mid(rawProfile.size()) == b);
}
} // namespace

std::optional<PngLayout> parsePngLayout(const QByteArray &png)
{
    if (!png.startsWith(QByteArray::fromRawData(pngSignature, pngSignatureSize)))
        return std::nullopt;
    PngLayout layout;
    std::optional<PngChunk> rawExif, rawXmp;
    const auto size = static_cast<std::size_t>(png.size());
    std::size_t at = pngSignatureSize;
    for (QByteArray type; type != "IEND" && at + 12 <= size;) {
        const std::uint32_t length = readBigEndian(png, at);
        if (length > 0x7FFFFFFF || length + 12 > size - at)
            return std::nullopt;
        PngChunk chunk{at, length + 12, png.mid(static_cast<qsizetype>(at + 4), 4), {}};
        type = chunk.type;
        if ((at == pngSignatureSize) != (type == "IHDR"))
            return std::nullopt;
        if (type == "IDAT" && !layout.insertOffset)
            layout.insertOffset = at;
        if (isTextChunk(type)) {
            const QByteArray data = chunkData(png, chunk);
            chunk.keyword = data.left(data.indexOf('\0'));
        }
        const auto first = [&chunk](std::optional<PngChunk> &slot, bool is) {
            if (is && !slot)
                slot = chunk;
        };
        first(layout.exif, type == "eXIf");
        first(rawExif, isTextChunk(type) && isRawProfile(chunk.keyword, "exif", "APP1"));
        first(layout.xmp, isTextChunk(type) && chunk.keyword == xmpKeyword);
        first(rawXmp, isTextChunk(type) && isRawProfile(chunk.keyword, "xmp", "xmp"));
        if (isTextChunk(type) && isRawProfile(chunk.keyword, "iptc", "8bim"))
            layout.iptc.push_back(chunk);
        if (type == "pHYs" && !layout.resolution)
            layout.resolution = resolutionOf(chunkData(png, chunk));
        at += chunk.size;
    }
    if (!layout.insertOffset)
        return std::nullopt;
    if (!layout.exif)
        layout.exif = rawExif;
    if (!layout.xmp)
        layout.xmp = rawXmp;
    return layout;
}

std::optional<QByteArray> pngChunkPayload(const QByteArray &png, const PngChunk &chunk)
{
    const QByteArray data = chunkData(png, chunk);
    if (!isTextChunk(chunk.type))
        return data;
    const auto text = splitText(chunk.type, data);
    if (!text || !chunk.keyword.startsWith(rawProfile))
        return text ? std::optional<QByteArray>(text->text) : std::nullopt;
    return fromRawProfile(text->text);
}

QByteArray pngChunkLike(const QByteArray &png, const PngChunk &chunk, const QByteArray &payload)
{
    const QByteArray data = chunkData(png, chunk);
    if (!isTextChunk(chunk.type))
        return makeChunk(chunk.type, payload);
    const auto text = splitText(chunk.type, data);
    if (!text)
        return {};
    const bool raw = chunk.keyword.startsWith(rawProfile);
    QByteArray name;
    if (raw && !fromRawProfile(text->text, &name))
        return {};
    const QByteArray newText = raw ? toRawProfile(name, payload) : payload;
    return makeChunk(chunk.type, text->head + (text->compressed ? deflated(newText) : newText));
}

QByteArray pngExifChunk(const QByteArray &tiffBlock)
{
    return makeChunk("eXIf", tiffBlock);
}

QByteArray pngXmpChunk(const QByteArray &packet)
{
    // Uncompressed, no language: what readers of XMP in PNG expect.
    return makeChunk("iTXt", xmpKeyword + QByteArray(5, '\0') + packet);
}

QByteArray pngTextChunk(const QByteArray &keyword, const QByteArray &text)
{
    return makeChunk("tEXt", keyword + '\0' + text);
}

QByteArray pngIptcChunk(const QByteArray &resources)
{
    return makeChunk("zTXt", rawProfile + "iptc" + QByteArray(2, '\0') + deflated(toRawProfile("IPTC profile", resources)));
}

} // namespace lumicap
