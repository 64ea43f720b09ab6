#pragma once

#include <cstdint>

namespace lumicap::platform {

// Identity and state of a file on disk. A save compares it before replacing
// the file, so that a change made meanwhile by another program is not lost.
// On Windows, device and inode are the volume serial number and file index,
// mode is 0444 or 0666 after the read-only attribute, and owner and group
// are 0.
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
    bool readOnly = false; // no write permission bit at all, or FILE_ATTRIBUTE_READONLY
    bool hidden = false;   // FILE_ATTRIBUTE_HIDDEN or FILE_ATTRIBUTE_SYSTEM (Windows only)
    // When the file was made, where stampOf can tell (Linux, on file systems
    // that keep it), else 0: a new file may be given a deleted one's inode,
    // never its birth. (A Windows file id carries a sequence number instead.)
    std::int64_t birthNs = 0;

    bool sameContentAs(const FileStamp &o) const { return device == o.device && inode == o.inode && size == o.size && mtimeNs == o.mtimeNs; }
};

} // namespace lumicap::platform
