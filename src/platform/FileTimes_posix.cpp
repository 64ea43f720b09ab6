#include "platform/FileTimes.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace lumicap::platform {

FileStatus FileTimes::read(const std::filesystem::path &path)
{
    struct stat st
    {};
    if (::stat(path.c_str(), &st) != 0)
        return statusFromSystemError(errno);
    accessed_ = {static_cast<std::int64_t>(st.st_atim.tv_sec), static_cast<std::int32_t>(st.st_atim.tv_nsec)};
    modified_ = {static_cast<std::int64_t>(st.st_mtim.tv_sec), static_cast<std::int32_t>(st.st_mtim.tv_nsec)};
    return stampOf(path, stamp_);
}

FileStatus FileTimes::restore(const std::filesystem::path &path) const
{
    struct timespec times[2]{};
    times[0].tv_sec = static_cast<time_t>(accessed_.seconds);
    times[0].tv_nsec = accessed_.nanoseconds;
    times[1].tv_sec = static_cast<time_t>(modified_.seconds);
    times[1].tv_nsec = modified_.nanoseconds;
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0 ? FileStatus::Ok : statusFromSystemError(errno);
}

} // namespace lumicap::platform
