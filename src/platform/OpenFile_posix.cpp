#include "platform/OpenFile.h"
#include "platform/ReadAhead.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumicap::platform {

namespace {
FileStamp stampFrom(const struct stat &st)
{
    FileStamp s;
    s.device = static_cast<std::uint64_t>(st.st_dev);
    s.inode = static_cast<std::uint64_t>(st.st_ino);
    s.size = static_cast<std::int64_t>(st.st_size);
    s.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.mode = static_cast<std::uint32_t>(st.st_mode);
    s.owner = static_cast<std::uint32_t>(st.st_uid);
    s.group = static_cast<std::uint32_t>(st.st_gid);
    s.links = static_cast<std::uint64_t>(st.st_nlink);
    s.readOnly = (st.st_mode & 0222) == 0;
    return s;
}
} // namespace

FileStatus OpenFile::open(const std::filesystem::path &path)
{
    close();
    if (path.empty())
        return FileStatus::NotFound;
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return statusFromSystemError(errno);
    return adopt(fd);
}

FileStatus OpenFile::adopt(NativeHandle handle)
{
    close();
    handle_ = handle;
    struct stat st
    {};
    if (::fstat(static_cast<int>(handle_), &st) != 0)
        return statusFromSystemError(errno);
    return S_ISREG(st.st_mode) ? FileStatus::Ok : FileStatus::NotRegular;
}

void OpenFile::close()
{
    if (handle_ != noHandle)
        ::close(static_cast<int>(handle_));
    handle_ = noHandle;
}

int OpenFile::releaseDescriptor()
{
    const int fd = static_cast<int>(handle_);
    handle_ = noHandle;
    return fd;
}

FileStatus OpenFile::stamp(FileStamp &stamp) const
{
    struct stat st
    {};
    if (::fstat(static_cast<int>(handle_), &st) != 0)
        return statusFromSystemError(errno);
    stamp = stampFrom(st);
    return FileStatus::Ok;
}

void readScattered(const OpenFile &file, bool scattered)
{
    ::posix_fadvise(static_cast<int>(file.handle()), 0, 0, scattered ? POSIX_FADV_RANDOM : POSIX_FADV_NORMAL); // a hint
}

FileStatus OpenFile::readAt(std::int64_t offset, char *data, std::size_t size, std::size_t &got) const
{
    got = 0;
    for (;;) {
        const ssize_t n = ::pread(static_cast<int>(handle_), data, size, static_cast<off_t>(offset));
        if (n >= 0) {
            got = static_cast<std::size_t>(n);
            return FileStatus::Ok;
        }
        if (errno != EINTR)
            return statusFromSystemError(errno);
    }
}

FileStatus stampOf(const std::filesystem::path &path, FileStamp &stamp)
{
    struct stat st
    {};
    if (::stat(path.c_str(), &st) != 0)
        return statusFromSystemError(errno);
    stamp = stampFrom(st);
#ifdef STATX_BTIME
    struct statx sx
    {};
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME, &sx) == 0 && (sx.stx_mask & STATX_BTIME))
        stamp.birthNs = static_cast<std::int64_t>(sx.stx_btime.tv_sec) * 1000000000 + sx.stx_btime.tv_nsec;
#endif
    return FileStatus::Ok;
}

FileStatus flushDescriptor(int descriptor)
{
    return ::fsync(descriptor) == 0 ? FileStatus::Ok : statusFromSystemError(errno);
}

} // namespace lumicap::platform
