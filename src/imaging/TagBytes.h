#pragma once

#include "imaging/FileBytes.h"

#include <QByteArray>

#include <vector>

namespace lumicap {

// A run of a file's bytes, [begin, end).
struct ByteRun
{
    qint64 begin = 0;
    qint64 end = 0;
};

// Reads what a picture's tags and structure live in and leaves its pixels on
// disk: of a classic TIFF, everything but the strips and tiles; of a JPEG,
// the segments before the scan (a header longer than 256 KB: everything);
// of any other file, everything. The last 128 KB of a TIFF and 64 KB of a
// JPEG are always read (a save's journal keeps a digest of its new file's
// last 64 KB). bytes gets the file's whole length; the bytes in unread
// (ascending runs of whole 16 KB blocks) are not the file's, and nothing
// that parses tags or edits the structure looks at them. Fails as
// readOpenFile does.
ImageStatus readTagBytes(const platform::OpenFile &file, QByteArray &bytes, std::vector<ByteRun> &unread, FileStamp *stamp = nullptr);
ImageStatus readTagBytes(const QByteArray &path, QByteArray &bytes, std::vector<ByteRun> &unread, FileStamp *stamp = nullptr);

// Reads the runs left unread into bytes, which then holds the whole file.
ImageStatus readUnread(const platform::OpenFile &file, QByteArray &bytes, std::vector<ByteRun> &unread);

} // namespace lumicap
