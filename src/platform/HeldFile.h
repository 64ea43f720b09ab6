#pragma once

#include "platform/OpenFile.h"

#include <chrono>
#include <filesystem>

namespace lumicap::platform {

// A file held for the whole of a save, from reading it to replacing it.
//  - POSIX: open for reading, an exclusive flock that every save takes, and
//    on Linux a read lease, which cannot be had while another process has
//    the file open for writing and which a process that opens it for writing
//    later breaks (its open waits until the lease is let go).
//  - Windows: open with a share mode that lets nobody else write, which
//    fails while another process has it open for writing, and a lock on a
//    byte far past its end that every save takes.
// A save that finds the file held by another save waits up to the given
// time; a file another program writes is refused at once (InUse).
class HeldFile
{
public:
    HeldFile() = default;
    ~HeldFile() { release(); }
    HeldFile(const HeldFile &) = delete;
    HeldFile &operator=(const HeldFile &) = delete;

    FileStatus hold(const std::filesystem::path &path, std::chrono::milliseconds wait);
    void release();

    // The file itself: a symbolic link's target, as an absolute path.
    const std::filesystem::path &target() const { return target_; }
    const OpenFile &file() const { return file_; }

    // AccessDenied for a file that is read-only, that we may not write, or
    // that has other hard links (replacing it would split it from them).
    FileStatus checkReplaceable(const FileStamp &stamp) const;

    // Another program opened the file for writing since it was held. Where
    // the system cannot tell, false: the stamp check before the replace is
    // what remains.
    bool writerArrived() const;
    // The replace may exchange names and look again (see TemporaryFile).
    bool leased() const { return leased_; }

private:
    std::filesystem::path target_;
    OpenFile file_;
    bool leased_ = false;
};

} // namespace lumicap::platform
