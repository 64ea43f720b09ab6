#include "FileTimes.h"

#include <fcntl.h>

namespace lumicap {

std::optional<FileTimes> FileTimes::of(const QByteArray &path)
{
    FileTimes times;
    if (::stat(path.constData(), &times.stat_) != 0)
        return std::nullopt;
    return times;
}

bool FileTimes::replaced(const QByteArray &path) const
{
    struct stat now {};
    return ::stat(path.constData(), &now) != 0 || now.st_ino != stat_.st_ino || now.st_dev != stat_.st_dev
           || now.st_mtim.tv_sec != stat_.st_mtim.tv_sec || now.st_mtim.tv_nsec != stat_.st_mtim.tv_nsec;
}

bool FileTimes::restore(const QByteArray &path) const
{
    const struct timespec times[2] = {stat_.st_atim, stat_.st_mtim};
    return ::utimensat(AT_FDCWD, path.constData(), times, 0) == 0;
}

} // namespace lumicap
