#pragma once

#include "platform/OpenFile.h"

#include <cstdint>
#include <filesystem>

namespace lumicap::platform {

// A moment as the system's clock counts it: seconds since its epoch (1970
// on POSIX, 1601 on Windows) and the nanoseconds after them.
struct FileTime
{
    std::int64_t seconds = 0;
    std::int32_t nanoseconds = 0;

    bool operator==(const FileTime &o) const { return seconds == o.seconds && nanoseconds == o.nanoseconds; }
};

// A file's last access and last write times, and which file had them: a
// save puts a new file in the picture's place, and lumicap-tags -P puts the
// old times back on it, for those who sort their photos by date.
//  - POSIX: stat and utimensat, to the nanosecond.
//  - Windows: GetFileTime and SetFileTime on a handle opened for the file's
//    attributes only, to 100 ns; the creation time is left as it is.
class FileTimes
{
public:
    FileStatus read(const std::filesystem::path &path);
    FileStatus restore(const std::filesystem::path &path) const;

    // The file at path is not the one the times were read from, or it was
    // written since: a save replaced it.
    bool replaced(const std::filesystem::path &path) const
    {
        FileStamp now;
        return stampOf(path, now) != FileStatus::Ok || now.device != stamp_.device || now.inode != stamp_.inode || now.mtimeNs != stamp_.mtimeNs;
    }

    const FileTime &accessed() const { return accessed_; }
    const FileTime &modified() const { return modified_; }

private:
    FileStamp stamp_;
    FileTime accessed_;
    FileTime modified_;
};

} // namespace lumicap::platform
