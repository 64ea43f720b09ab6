#pragma once

#include "imaging/ImageStatus.h"
#include "platform/FileStatus.h"
#include "platform/OpenFile.h"

#include <QByteArray>
#include <QFile>

#include <cstdint>

namespace lumicap {

using platform::FileStamp;

// The platform layer numbers its outcomes as the program shows them.
inline ImageStatus toImageStatus(platform::FileStatus status)
{
    return static_cast<ImageStatus>(status);
}

// The largest file we read into memory.
constexpr std::int64_t maxImageFileSize = std::int64_t(2) << 30;

// Reads a regular file, whole or its first maxBytes. Anything else (a
// folder, a FIFO, a device) is refused without blocking on it. The stamp is
// filled once the file is open; after a read error part-way, bytes holds
// what was read. Memory that cannot be had is reported as OutOfMemory.
ImageStatus readFileBytes(const QByteArray &path, QByteArray &bytes, FileStamp *stamp = nullptr, std::int64_t maxBytes = -1);

// The same for a file already open for reading (from its start): a save
// reads the image through the descriptor it holds its lock on.
ImageStatus readOpenFile(const platform::OpenFile &file, QByteArray &bytes, FileStamp *stamp = nullptr, std::int64_t maxBytes = -1);

// Opens the file at path for Qt's image readers to stream from.
ImageStatus openForReading(const QByteArray &path, QFile &file);
// Opens the file at path for the reads below; an empty path names no file.
ImageStatus openForReading(const QByteArray &path, platform::OpenFile &file);

// What each read of an open file starts with: its stamp taken (and stored in
// stamp when given), a file over maxImageFileSize refused, and bytes sized
// for its first maxBytes (all of it when maxBytes is negative). Memory that
// cannot be had is reported as OutOfMemory.
ImageStatus sizeForReading(const platform::OpenFile &file, QByteArray &bytes, FileStamp *stamp, std::int64_t maxBytes = -1);

ImageStatus statFile(const QByteArray &path, FileStamp &stamp);

// A buffer files are read into and edited in, kept between reads: a batch
// reads hundreds of files of similar size, and fresh memory for each would
// cost more than reading. A very large one is let go after use.
QByteArray &readBuffer();
void releaseLargeReadBuffer();

} // namespace lumicap
