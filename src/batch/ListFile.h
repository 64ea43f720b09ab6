#pragma once

#include "imaging/ImageStatus.h"
#include "platform/OpenFile.h"

#include <QByteArray>

#include <cstdint>
#include <vector>

namespace lumicap {

// What keeps a line of a list from naming a picture.
enum class LineFault { None, NoName, UnclosedQuote };

// One line of an image list file: an image name (as the line gives it, never
// trimmed) and its description (trimmed of white space). A line that names
// no picture keeps its fault and its whole text as the name, for the message.
struct ListEntry
{
    QByteArray name;
    QByteArray description;
    LineFault fault = LineFault::None;

    bool operator==(const ListEntry &o) const { return name == o.name && description == o.description && fault == o.fault; }
};

using BatchList = std::vector<ListEntry>;

// The list file format of DESCRIPT.ION files and of hand-written lists: per
// line a name, a space and a description; a name with spaces in double
// quotes. Read in text mode (a CR before LF is dropped, byte 0x1A ends the
// file); a line is a line whatever its length. A UTF-8 byte-order mark at
// the start is skipped, and a description ends before a byte 0x04 (what
// follows it belongs to other programs).
class ListFileParser
{
public:
    // Parses the bytes of a whole list file.
    static BatchList parse(const QByteArray &file);
    // Parses one line, without its line end; false for a blank line.
    static bool parseLine(const char *begin, const char *end, ListEntry &entry);
    static bool givesEntry(const char *begin, const char *end);
};

// Reads a list file an entry at a time, so that memory follows the longest
// line, not the size of the file: lists of millions of lines run like short
// ones.
class ListFileReader
{
public:
    ListFileReader() = default;
    // Reads from bytes in memory instead of a file, in pieces of
    // chunkBytes as from a file (the whole at once when 0).
    explicit ListFileReader(const QByteArray &bytes, qsizetype chunkBytes = 0);
    ~ListFileReader();
    ListFileReader(const ListFileReader &) = delete;
    ListFileReader &operator=(const ListFileReader &) = delete;

    // Opens a regular file without blocking on anything else (a FIFO, a
    // device): Ok, or why it cannot be read.
    ImageStatus open(const QByteArray &path);
    // The next entry; false at the end, at a read error (what was read
    // stays read) or when memory ran out, which status() then tells.
    bool next(ListEntry &entry);
    // Whether the file holds binary data (a zero byte in its first 4 KB): a
    // picture given as the list by mistake.
    bool holdsBinary();
    // Counts the entries of the whole list, then starts again from the top.
    std::int64_t countEntries();
    void rewind();
    // Ok, or what ended the reading early.
    ImageStatus status() const { return status_; }

private:
    bool nextLine();
    bool fill();

    platform::OpenFile file_;
    std::int64_t fileOffset_ = 0;
    QByteArray memory_;
    qsizetype memoryPos_ = 0;
    qsizetype memoryChunk_ = 0;
    QByteArray chunk_;
    qsizetype chunkPos_ = 0;
    QByteArray line_;
    const char *lineBegin_ = nullptr;
    const char *lineEnd_ = nullptr;
    bool atStart_ = true;
    bool ended_ = false;
    ImageStatus status_ = ImageStatus::Ok;
};

} // namespace lumicap
