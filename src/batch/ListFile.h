#pragma once

#include <QByteArray>

#include <vector>

namespace lumicap {

// One line of an image list file: an image name (as the line gives it, never
// trimmed, possibly empty) and its description (trimmed of white space).
struct ListEntry
{
    QByteArray name;
    QByteArray description;

    bool operator==(const ListEntry &o) const { return name == o.name && description == o.description; }
};

using BatchList = std::vector<ListEntry>;

// The list file format of DESCRIPT.ION files and of hand-written lists: per
// line a name, a space and a description; a name with spaces in double
// quotes. Read in text mode (a CR before LF is dropped, byte 0x1A ends the
// file) and in pieces of at most 4094 bytes, so a longer line is parsed as
// several. A UTF-8 byte-order mark at the start is skipped, and a
// description ends before a byte 0x04 (what follows it belongs to other
// programs).
class ListFileParser
{
public:
    static constexpr qsizetype pieceSize = 4094;

    // Parses the bytes of a whole list file.
    static BatchList parse(const QByteArray &file);
    // Parses one piece (a line, or a part of a long one); false when it gives
    // no entry.
    static bool parsePiece(const QByteArray &piece, ListEntry &entry);
};

} // namespace lumicap
