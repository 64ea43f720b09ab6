#include "batch/ListFile.h"

#include "imaging/FileBytes.h"
#include "platform/NativePath.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace lumicap {

namespace {
bool isWhite(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

QByteArray trimmed(const char *begin, const char *end)
{
    while (begin < end && isWhite(*begin))
        ++begin;
    while (end > begin && isWhite(end[-1]))
        --end;
    return QByteArray(begin, end - begin);
}

bool isSeparator(char c)
{
    return c == ' ' || c == '\t';
}

const char *closingQuote(const char *begin, const char *end)
{
    const char *close = begin + 1;
    while (close < end && *close != '"')
        ++close;
    return close;
}

constexpr qsizetype chunkSize = 64 * 1024;
} // namespace

bool ListFileParser::givesEntry(const char *begin, const char *end)
{
    return std::any_of(begin, end, [](char c) { return !isWhite(c); });
}

bool ListFileParser::parseLine(const char *begin, const char *end, ListEntry &entry)
{
    if (!givesEntry(begin, end))
        return false;
    entry.fault = LineFault::None;
    const char *rest = nullptr;
    if (*begin == '"') {
        const char *close = closingQuote(begin, end);
        if (close == end) {
            entry = {QByteArray(begin, end - begin), {}, LineFault::UnclosedQuote};
            return true;
        }
        entry.name = QByteArray(begin + 1, close - begin - 1);
        rest = close + 1;
    } else {
        const char *separator = std::find_if(begin, end, isSeparator);
        entry.name = QByteArray(begin, separator - begin);
        rest = separator < end ? separator + 1 : end;
    }
    if (entry.name.isEmpty()) {
        entry = {QByteArray(begin, end - begin), {}, LineFault::NoName};
        return true;
    }
    rest = std::find_if_not(rest, end, isSeparator);
    // Programs that keep DESCRIPT.ION files put their own data after 0x04.
    entry.description = trimmed(rest, std::find(rest, end, '\x04'));
    return true;
}

BatchList ListFileParser::parse(const QByteArray &file)
{
    ListFileReader reader(file);
    BatchList list;
    ListEntry entry;
    while (reader.next(entry))
        list.push_back(entry);
    return list;
}

ListFileReader::ListFileReader(const QByteArray &bytes, qsizetype chunkBytes)
    : memory_(bytes)
    , memoryChunk_(chunkBytes)
{}

ListFileReader::~ListFileReader() = default;

ImageStatus ListFileReader::open(const QByteArray &path)
{
    if (path.isEmpty())
        return ImageStatus::FileNotFound;
    // Only a regular file: opening a FIFO must not wait for a writer.
    file_.close();
    const ImageStatus status = toImageStatus(file_.open(platform::pathFromBytes({path.constData(), static_cast<std::size_t>(path.size())})));
    if (status != ImageStatus::Ok)
        return status;
    memory_.clear();
    rewind();
    return ImageStatus::Ok;
}

void ListFileReader::rewind()
{
    fileOffset_ = 0;
    chunk_.clear();
    chunkPos_ = 0;
    memoryPos_ = 0;
    atStart_ = true;
    ended_ = false;
}

bool ListFileReader::fill()
{
    chunkPos_ = 0;
    if (ended_) {
        chunk_.clear();
        return false;
    }
    if (!file_.isOpen()) {
        if (memoryChunk_ <= 0 && memoryPos_ == 0) {
            chunk_ = memory_; // shared, not copied
            memoryPos_ = memory_.size();
        } else {
            chunk_ = memory_.mid(memoryPos_, memoryChunk_ > 0 ? memoryChunk_ : -1);
            memoryPos_ += chunk_.size();
        }
        ended_ = memoryPos_ == memory_.size();
        return !chunk_.isEmpty();
    }
    chunk_.resize(chunkSize);
    std::size_t n = 0;
    const platform::FileStatus read = file_.readAt(fileOffset_, chunk_.data(), static_cast<std::size_t>(chunkSize), n);
    if (read != platform::FileStatus::Ok || n == 0) {
        status_ = toImageStatus(read);
        ended_ = true;
        chunk_.clear();
        return false;
    }
    fileOffset_ += static_cast<std::int64_t>(n);
    chunk_.resize(static_cast<qsizetype>(n));
    return true;
}

bool ListFileReader::nextLine()
{
    // A line inside the chunk is used where it lies; only one that spans
    // chunks is gathered in line_, which keeps the longest one's room.
    line_.resize(0);
    bool any = false;
    bool gathered = false;
    for (;;) {
        if (chunkPos_ == chunk_.size() && !fill())
            break;
        const char *begin = chunk_.constData() + chunkPos_;
        const char *end = chunk_.constData() + chunk_.size();
        const char *stop = static_cast<const char *>(std::memchr(begin, '\n', static_cast<std::size_t>(end - begin)));
        if (!stop)
            stop = end;
        // Text mode: 0x1A is the end of the file.
        if (const void *eof = std::memchr(begin, '\x1A', static_cast<std::size_t>(stop - begin)))
            stop = static_cast<const char *>(eof);
        any = true;
        chunkPos_ += stop - begin;
        if (stop == end || gathered) {
            line_.append(begin, stop - begin);
            gathered = true;
            lineBegin_ = line_.constData();
            lineEnd_ = lineBegin_ + line_.size();
        } else {
            lineBegin_ = begin;
            lineEnd_ = stop;
        }
        if (stop == end)
            continue;
        ++chunkPos_;
        if (*stop == '\x1A') {
            ended_ = true; // the line may lie in this chunk: it stays until the next call
            chunkPos_ = chunk_.size();
        } else if (lineEnd_ > lineBegin_ && lineEnd_[-1] == '\r') {
            --lineEnd_;
        }
        break;
    }
    if (any && atStart_) {
        atStart_ = false;
        if (lineEnd_ - lineBegin_ >= 3 && std::memcmp(lineBegin_, "\xEF\xBB\xBF", 3) == 0)
            lineBegin_ += 3;
    }
    return any;
}

bool ListFileReader::next(ListEntry &entry)
{
    if (status_ == ImageStatus::OutOfMemory)
        return false;
    try {
        while (nextLine()) {
            if (ListFileParser::parseLine(lineBegin_, lineEnd_, entry))
                return true;
        }
    } catch (const std::bad_alloc &) {
        status_ = ImageStatus::OutOfMemory;
        line_ = QByteArray();
    }
    return false;
}

bool ListFileReader::holdsBinary()
{
    constexpr qsizetype firstBlock = 4096;
    QByteArray head = memory_.left(firstBlock);
    if (file_.isOpen()) {
        head.resize(firstBlock);
        std::size_t n = 0;
        if (file_.readAt(0, head.data(), static_cast<std::size_t>(firstBlock), n) != platform::FileStatus::Ok)
            n = 0;
        head.truncate(static_cast<qsizetype>(n));
    }
    return head.contains('\0');
}

std::int64_t ListFileReader::countEntries()
{
    rewind();
    std::int64_t count = 0;
    try {
        while (nextLine()) {
            if (ListFileParser::givesEntry(lineBegin_, lineEnd_))
                ++count;
        }
    } catch (const std::bad_alloc &) {
        status_ = ImageStatus::OutOfMemory;
        line_ = QByteArray();
    }
    rewind();
    return count;
}

} // namespace lumicap
