#pragma once

#include "ImageStatus.h"

#include <QByteArray>

#include <cstdint>

namespace lumicap {

// Identity of a file's content on disk: a save compares it before replacing
// the file, so that a change made meanwhile by another program is not lost.
struct FileStamp
{
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t mtimeNs = 0;
    std::uint32_t mode = 0;
    std::uint32_t owner = 0;
    std::uint32_t group = 0;
    std::uint64_t links = 0;

    bool sameContentAs(const FileStamp &o) const
    {
        return device == o.device && inode == o.inode && size == o.size && mtimeNs == o.mtimeNs;
    }
};

// The largest file we read into memory.
constexpr std::int64_t maxImageFileSize = std::int64_t(2) << 30;

// Reads a regular file, whole or its first maxBytes. Anything else (a
// folder, a FIFO, a device) is refused without blocking on it. The stamp is
// filled once the file is open; after a read error part-way, bytes holds
// what was read. Memory that cannot be had is reported as OutOfMemory.
ImageStatus readFileBytes(const QByteArray &path, QByteArray &bytes, FileStamp *stamp = nullptr, std::int64_t maxBytes = -1);

// The same for a file already open for reading (from its start): a save
// reads the image through the descriptor it holds its lock on.
ImageStatus readOpenFile(int fd, QByteArray &bytes, FileStamp *stamp = nullptr, std::int64_t maxBytes = -1);

ImageStatus statFile(const QByteArray &path, FileStamp &stamp);

// A buffer files are read into and edited in, kept between reads: a batch
// reads hundreds of files of similar size, and fresh memory for each would
// cost more than reading. A very large one is let go after use.
QByteArray &readBuffer();
void releaseLargeReadBuffer();

} // namespace lumicap
