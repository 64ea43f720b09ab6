#pragma once

#include "platform/FileStamp.h"
#include "platform/FileStatus.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace lumicap::platform {

// A file descriptor on POSIX, a HANDLE on Windows.
using NativeHandle = std::intptr_t;
constexpr NativeHandle noHandle = -1;

// A regular file open for reading. Anything else (a folder, a FIFO, a
// device) is refused without blocking on it.
class OpenFile
{
public:
    OpenFile() = default;
    ~OpenFile() { close(); }
    OpenFile(const OpenFile &) = delete;
    OpenFile &operator=(const OpenFile &) = delete;

    FileStatus open(const std::filesystem::path &path);
    // Takes a handle opened elsewhere (by HeldFile) and checks it is a
    // regular file.
    FileStatus adopt(NativeHandle handle);
    void close();
    // Hands the file over as a C runtime descriptor (for QFile), which then
    // owns it; -1 when none is open or the runtime has no room for it.
    int releaseDescriptor();

    bool isOpen() const { return handle_ != noHandle; }
    NativeHandle handle() const { return handle_; }

    FileStatus stamp(FileStamp &stamp) const;
    // Reads up to size bytes at offset; got is 0 at the end of the file.
    FileStatus readAt(std::int64_t offset, char *data, std::size_t size, std::size_t &got) const;

private:
    NativeHandle handle_ = noHandle;
};

// The stamp of the file at path (a link's target).
FileStatus stampOf(const std::filesystem::path &path, FileStamp &stamp);

// Makes what was written through a C runtime descriptor (QFile::handle())
// durable: fsync on POSIX, _commit (FlushFileBuffers) on Windows.
FileStatus flushDescriptor(int descriptor);

} // namespace lumicap::platform
