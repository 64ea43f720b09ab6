#include "imaging/TagBytes.h"

#include "imaging/ImageFormat.h"
#include "imaging/JpegSegments.h"
#include "imaging/TiffTypes.h"
#include "platform/ReadAhead.h"

#include <QtEndian>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <set>

namespace lumicap {

namespace {
constexpr qint64 blockSize = 16 * 1024;
// What a TIFF's new file ends with is its old end, less the directory an
// earlier save appended, and the new one: its last 64 KB (what the journal
// keeps a digest of) lie in the old file's last 128 KB. A JPEG's end does
// not move.
constexpr qint64 tailRead = 128 * 1024;
constexpr qint64 jpegTailRead = 64 * 1024;
// A photo's JPEG header (Exif, XMP, ICC profile, Photoshop resources) fits;
// one that does not is read whole.
constexpr qint64 jpegHeaderRead = 256 * 1024;

// Fills a buffer of the file's length block by block, each block read once.
class BlockReader
{
public:
    BlockReader(const platform::OpenFile &file, QByteArray &bytes)
        : file_(file)
        , bytes_(bytes)
        , read_(static_cast<std::size_t>((bytes.size() + blockSize - 1) / blockSize), false)
    {}

    qint64 size() const { return bytes_.size(); }
    std::size_t blocks() const { return read_.size(); }
    bool isRead(std::size_t block) const { return read_[block]; }

    // The blocks [begin, end) touches, within the file.
    ImageStatus ensure(qint64 begin, qint64 end)
    {
        begin = std::max<qint64>(begin, 0);
        end = std::min(end, size());
        if (begin >= end)
            return ImageStatus::Ok;
        return readBlocks(static_cast<std::size_t>(begin / blockSize), static_cast<std::size_t>((end + blockSize - 1) / blockSize),
                          [](std::size_t) { return true; });
    }

    // The blocks from first to last (exclusive) that wanted asks for, each
    // run of them in one read.
    template <class Wanted>
    ImageStatus readBlocks(std::size_t first, std::size_t last, Wanted wanted)
    {
        for (std::size_t k = first; k < last;) {
            if (read_[k] || !wanted(k)) {
                ++k;
                continue;
            }
            std::size_t end = k;
            while (end < last && !read_[end] && wanted(end))
                ++end;
            if (ImageStatus s = readRange(qint64(k) * blockSize, std::min(qint64(end) * blockSize, size())); s != ImageStatus::Ok)
                return s;
            std::fill(read_.begin() + static_cast<std::ptrdiff_t>(k), read_.begin() + static_cast<std::ptrdiff_t>(end), true);
            k = end;
        }
        return ImageStatus::Ok;
    }

    std::vector<ByteRun> unread() const
    {
        std::vector<ByteRun> runs;
        for (std::size_t k = 0; k < read_.size(); ++k) {
            if (read_[k])
                continue;
            const qint64 begin = qint64(k) * blockSize, end = std::min(begin + blockSize, size());
            if (!runs.empty() && runs.back().end == begin)
                runs.back().end = end;
            else
                runs.push_back({begin, end});
        }
        return runs;
    }

private:
    ImageStatus readRange(qint64 from, qint64 to)
    {
        while (from < to) {
            std::size_t got = 0;
            if (const platform::FileStatus s = file_.readAt(from, bytes_.data() + from, static_cast<std::size_t>(to - from), got);
                s != platform::FileStatus::Ok)
                return toImageStatus(s);
            if (got == 0)
                return ImageStatus::ObjectBusy; // shorter than it was a moment ago
            from += static_cast<qint64>(got);
        }
        return ImageStatus::Ok;
    }

    const platform::OpenFile &file_;
    QByteArray &bytes_;
    std::vector<bool> read_;
};

// Walks a classic TIFF's directories (the chain of pages, SubIFDs, Exif,
// GPS and interoperability directories) for where its strips and tiles lie
// and what its directories and their values occupy. A damaged or crafted
// structure ends the walk early: what was not found is read as any byte is.
class TiffWalk
{
public:
    TiffWalk(BlockReader &reader, const QByteArray &bytes)
        : reader_(reader)
        , bytes_(bytes)
    {}

    ImageStatus walk()
    {
        if (ImageStatus s = reader_.ensure(0, 8); s != ImageStatus::Ok)
            return s;
        little_ = bytes_.startsWith("II");
        std::vector<std::uint32_t> pending{number(4, 4)};
        std::set<std::uint32_t> seen;
        while (!pending.empty() && seen.size() < maxDirectories) {
            const std::uint32_t at = pending.back();
            pending.pop_back();
            if (at < 8 || !seen.insert(at).second)
                continue;
            if (ImageStatus s = directory(at, pending); s != ImageStatus::Ok)
                return s;
        }
        return ImageStatus::Ok;
    }

    std::vector<ByteRun> pixels;
    std::vector<ByteRun> structure;

private:
    static constexpr std::size_t maxDirectories = 1024;
    static constexpr std::uint32_t maxNumbers = 1 << 20;

    struct Entry
    {
        std::uint16_t tag = 0;
        std::uint16_t type = 0;
        std::uint32_t count = 0;
        qint64 field = 0; // where the value or its offset is
    };

    std::uint32_t number(qint64 at, int width) const
    {
        const char *p = bytes_.constData() + at;
        if (width == 2)
            return little_ ? qFromLittleEndian<quint16>(p) : qFromBigEndian<quint16>(p);
        return little_ ? qFromLittleEndian<quint32>(p) : qFromBigEndian<quint32>(p);
    }

    // A type TIFF does not define is counted in bytes.
    static qint64 typeSize(std::uint16_t type) { return std::max<qint64>(tiffTypeSize(type), 1); }

    // Where an entry's value lies: in its field, or where the field points.
    ByteRun valueOf(const Entry &e) const
    {
        const qint64 length = typeSize(e.type) * e.count;
        const qint64 at = length <= 4 ? e.field : number(e.field, 4);
        return {at, at + length};
    }

    // The offsets or byte counts an entry holds; nothing when they lie
    // outside the file.
    ImageStatus numbers(const Entry &e, std::vector<std::uint32_t> &out)
    {
        out.clear();
        const qint64 width = typeSize(e.type);
        const ByteRun value = valueOf(e);
        if ((width != 2 && width != 4) || e.count > maxNumbers || value.end > reader_.size())
            return ImageStatus::Ok;
        if (ImageStatus s = reader_.ensure(value.begin, value.end); s != ImageStatus::Ok)
            return s;
        for (qint64 at = value.begin; at < value.end; at += width)
            out.push_back(number(at, static_cast<int>(width)));
        return ImageStatus::Ok;
    }

    ImageStatus directory(std::uint32_t at, std::vector<std::uint32_t> &pending)
    {
        if (at + qint64(2) > reader_.size())
            return ImageStatus::Ok;
        if (ImageStatus s = reader_.ensure(at, at + qint64(2)); s != ImageStatus::Ok)
            return s;
        const qint64 end = at + 2 + 12 * qint64(number(at, 2)) + 4;
        if (end > reader_.size())
            return ImageStatus::Ok;
        if (ImageStatus s = reader_.ensure(at, end); s != ImageStatus::Ok)
            return s;
        structure.push_back({at, end});
        const Entry *offsets[2] = {}, *counts[2] = {};
        std::vector<Entry> entries;
        for (qint64 e = at + 2; e + 12 <= end - 4; e += 12)
            entries.push_back({static_cast<std::uint16_t>(number(e, 2)), static_cast<std::uint16_t>(number(e + 2, 2)), number(e + 4, 4), e + 8});
        std::vector<std::uint32_t> values;
        for (const Entry &e : entries) {
            structure.push_back(valueOf(e));
            const int pair = e.tag == 0x111 || e.tag == 0x117 ? 0 : e.tag == 0x144 || e.tag == 0x145 ? 1 : -1;
            if (pair >= 0)
                (e.tag == 0x111 || e.tag == 0x144 ? offsets : counts)[pair] = &e;
            if (e.tag == 0x14A || e.tag == 0x8769 || e.tag == 0x8825 || e.tag == 0xA005) {
                if (ImageStatus s = numbers(e, values); s != ImageStatus::Ok)
                    return s;
                pending.insert(pending.end(), values.begin(), values.begin() + std::min<std::ptrdiff_t>(values.size(), 256));
            }
        }
        std::vector<std::uint32_t> sizes;
        for (int k = 0; k < 2; ++k) {
            if (!offsets[k] || !counts[k])
                continue;
            if (ImageStatus s = numbers(*offsets[k], values); s != ImageStatus::Ok)
                return s;
            if (ImageStatus s = numbers(*counts[k], sizes); s != ImageStatus::Ok)
                return s;
            for (std::size_t i = 0; i < std::min(values.size(), sizes.size()); ++i)
                pixels.push_back({values[i], qint64(values[i]) + sizes[i]});
        }
        pending.push_back(number(end - 4, 4));
        return ImageStatus::Ok;
    }

    BlockReader &reader_;
    const QByteArray &bytes_;
    bool little_ = true;
};

// The blocks that lie wholly inside the pixels and touch no directory or
// value: the ones a reader of tags never needs.
std::vector<bool> pixelBlocks(std::size_t blocks, std::vector<ByteRun> pixels, const std::vector<ByteRun> &structure)
{
    std::vector<bool> pixel(blocks, false);
    std::sort(pixels.begin(), pixels.end(), [](const ByteRun &a, const ByteRun &b) { return a.begin < b.begin; });
    const qint64 limit = qint64(blocks) * blockSize;
    for (std::size_t i = 0; i < pixels.size();) {
        ByteRun run = pixels[i];
        // Strips follow each other, at most a few bytes of padding apart.
        for (++i; i < pixels.size() && pixels[i].begin <= run.end + 16; ++i)
            run.end = std::max(run.end, pixels[i].end);
        for (qint64 k = (run.begin + blockSize - 1) / blockSize; (k + 1) * blockSize <= std::min(run.end, limit); ++k)
            pixel[static_cast<std::size_t>(k)] = true;
    }
    for (const ByteRun &run : structure) {
        const qint64 end = std::min(run.end, limit);
        for (qint64 k = std::max<qint64>(run.begin, 0) / blockSize; k * blockSize < end; ++k)
            pixel[static_cast<std::size_t>(k)] = false;
    }
    return pixel;
}

ImageStatus readStructure(BlockReader &reader, const QByteArray &bytes, std::vector<bool> &pixel)
{
    const qint64 size = reader.size();
    if (ImageStatus s = reader.ensure(0, std::min(size, blockSize)); s != ImageStatus::Ok)
        return s;
    const ImageFormat format = detectImageFormat(bytes.constData(), static_cast<std::size_t>(std::min(size, blockSize)));
    if (format == ImageFormat::Tiff) {
        TiffWalk tiff(reader, bytes);
        if (ImageStatus s = tiff.walk(); s != ImageStatus::Ok)
            return s;
        pixel = pixelBlocks(reader.blocks(), tiff.pixels, tiff.structure);
    } else if (format == ImageFormat::Jpeg) {
        std::optional<JpegLayout> layout;
        for (const qint64 header : {jpegHeaderRead / 4, jpegHeaderRead}) {
            if (ImageStatus s = reader.ensure(0, std::min(size, header)); s != ImageStatus::Ok)
                return s;
            layout = parseJpegLayout(QByteArray::fromRawData(bytes.constData(), std::min(size, header)));
            if (layout || header >= size)
                break;
        }
        if (ImageStatus s = reader.ensure(size - jpegTailRead, size); s != ImageStatus::Ok)
            return s;
        // An AFCP trailer's directory, behind the picture, is moved when a
        // segment changes length: such a file is read whole.
        const bool trailer = size >= 12 && (bytes.mid(size - 12, 4) == "AXS!" || bytes.mid(size - 12, 4) == "AXS*");
        if (layout && !trailer)
            pixel = pixelBlocks(reader.blocks(), {{static_cast<qint64>(layout->scanHeaderEnd), size - jpegTailRead}}, {});
    }
    // A TIFF's last bytes are always read.
    for (qint64 k = std::max<qint64>(size - tailRead, 0) / blockSize; format == ImageFormat::Tiff && k < qint64(pixel.size()); ++k)
        pixel[static_cast<std::size_t>(k)] = false;
    return ImageStatus::Ok;
}
} // namespace

ImageStatus readTagBytes(const platform::OpenFile &file, QByteArray &bytes, std::vector<ByteRun> &unread, FileStamp *stamp)
{
    unread.clear();
    if (ImageStatus s = sizeForReading(file, bytes, stamp); s != ImageStatus::Ok)
        return s;
    // Nothing is read ahead of the blocks asked for: that would be pixels.
    struct Scattered
    {
        const platform::OpenFile &file;
        ~Scattered() { platform::readScattered(file, false); }
    } scattered{file};
    platform::readScattered(file, true);
    BlockReader reader(file, bytes);
    std::vector<bool> pixel;
    if (ImageStatus s = readStructure(reader, bytes, pixel); s != ImageStatus::Ok)
        return s;
    pixel.resize(reader.blocks(), false);
    if (ImageStatus s = reader.readBlocks(0, reader.blocks(), [&pixel](std::size_t k) { return !pixel[k]; }); s != ImageStatus::Ok)
        return s;
    unread = reader.unread();
    return ImageStatus::Ok;
}

ImageStatus readTagBytes(const QByteArray &path, QByteArray &bytes, std::vector<ByteRun> &unread, FileStamp *stamp)
{
    bytes.resize(0);
    unread.clear();
    platform::OpenFile file;
    if (ImageStatus s = openForReading(path, file); s != ImageStatus::Ok)
        return s;
    return readTagBytes(file, bytes, unread, stamp);
}

ImageStatus readUnread(const platform::OpenFile &file, QByteArray &bytes, std::vector<ByteRun> &unread)
{
    BlockReader reader(file, bytes);
    for (const ByteRun &run : unread) {
        if (ImageStatus s = reader.ensure(run.begin, run.end); s != ImageStatus::Ok)
            return s;
    }
    unread.clear();
    return ImageStatus::Ok;
}

} // namespace lumicap
