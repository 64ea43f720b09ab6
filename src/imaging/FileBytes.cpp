#include "FileBytes.h"

#include <cerrno>
#include <new>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumicap {

namespace {
FileStamp stampOf(const struct stat &st)
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
    return s;
}

class Descriptor
{
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};
} // namespace

ImageStatus statFile(const QByteArray &path, FileStamp &stamp)
{
    struct stat st {};
    if (::stat(path.constData(), &st) != 0)
        return statusFromErrno(errno);
    stamp = stampOf(st);
    return ImageStatus::Ok;
}

QByteArray &readBuffer()
{
    thread_local QByteArray buffer;
    return buffer;
}

void releaseLargeReadBuffer()
{
    constexpr qsizetype kept = 64 << 20;
    if (readBuffer().capacity() > kept)
        readBuffer() = QByteArray();
}

ImageStatus readFileBytes(const QByteArray &path, QByteArray &bytes, FileStamp *stamp, std::int64_t maxBytes)
{
    bytes.resize(0); // keeps the allocation
    if (path.isEmpty())
        return ImageStatus::FileNotFound;
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    Descriptor fd(::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0)
        return statusFromErrno(errno);
    return readOpenFile(fd.get(), bytes, stamp, maxBytes);
}

ImageStatus readOpenFile(int fd, QByteArray &bytes, FileStamp *stamp, std::int64_t maxBytes)
{
    bytes.resize(0);
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return statusFromErrno(errno);
    if (!S_ISREG(st.st_mode))
        return ImageStatus::InvalidParameter;
    if (st.st_size > maxImageFileSize)
        return ImageStatus::OutOfMemory;
    if (stamp)
        *stamp = stampOf(st);

    const std::int64_t wanted = maxBytes >= 0 && maxBytes < st.st_size ? maxBytes : static_cast<std::int64_t>(st.st_size);
    try {
        bytes.resize(static_cast<qsizetype>(wanted));
    } catch (const std::bad_alloc &) {
        bytes = QByteArray();
        return ImageStatus::OutOfMemory;
    }
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pread(fd, bytes.data() + done, static_cast<std::size_t>(bytes.size() - done), done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            bytes.truncate(done);
            return statusFromErrno(error);
        }
        if (n == 0)
            break; // shrank while we read it
        done += n;
    }
    bytes.truncate(done);
    return ImageStatus::Ok;
}

} // namespace lumicap
