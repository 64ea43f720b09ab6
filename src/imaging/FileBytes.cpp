#include "imaging/FileBytes.h"

#include "platform/NativePath.h"

#include <QThreadStorage>

#include <new>

#ifndef _WIN32
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace lumicap {

static_assert(statusNumber(ImageStatus::InvalidParameter) == int(platform::FileStatus::NotRegular)
              && statusNumber(ImageStatus::ObjectBusy) == int(platform::FileStatus::InUse)
              && statusNumber(ImageStatus::Win32Error) == int(platform::FileStatus::SystemError)
              && statusNumber(ImageStatus::ValueOverflow) == int(platform::FileStatus::TooLarge)
              && statusNumber(ImageStatus::AccessDenied) == int(platform::FileStatus::AccessDenied));

ImageStatus statFile(const QByteArray &path, FileStamp &stamp)
{
    return toImageStatus(platform::stampOf(platform::pathFromBytes(path.toStdString()), stamp));
}

ImageStatus openForReading(const QByteArray &path, QFile &file)
{
#ifdef _WIN32
    // Not through QFile's own open, which shares the file with no one who
    // would rename or replace it: a save of the picture while its preview is
    // decoded would fail. The platform layer's open shares it as HeldFile
    // expects.
    platform::OpenFile opened;
    if (const platform::FileStatus s = opened.open(platform::pathFromBytes(path.toStdString())); s != platform::FileStatus::Ok)
        return toImageStatus(s);
    const int fd = opened.releaseDescriptor();
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return ImageStatus::GenericError;
    return ImageStatus::Ok;
#else
    // Opened by its bytes: a file name need not be valid UTF-8.
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return toImageStatus(platform::statusFromSystemError(errno));
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return ImageStatus::GenericError;
    }
    return ImageStatus::Ok;
#endif
}

QByteArray &readBuffer()
{
    // Not a thread_local: MinGW's runtime frees a thread_local's storage
    // before its destructor runs when a thread ends, and a pool thread that
    // read a picture corrupted the heap when it retired. Qt's own storage
    // cleans up in order on every system. Never destroyed: threads may
    // still end while the program exits.
    static auto *buffers = new QThreadStorage<QByteArray>;
    return buffers->localData();
}

void releaseLargeReadBuffer()
{
    constexpr qsizetype kept = 64 << 20;
    if (readBuffer().capacity() > kept)
        readBuffer() = QByteArray();
}

ImageStatus openForReading(const QByteArray &path, platform::OpenFile &file)
{
    if (path.isEmpty())
        return ImageStatus::FileNotFound;
    return toImageStatus(file.open(platform::pathFromBytes(path.toStdString())));
}

ImageStatus sizeForReading(const platform::OpenFile &file, QByteArray &bytes, FileStamp *stamp, std::int64_t maxBytes)
{
    bytes.resize(0); // keeps the allocation
    FileStamp st;
    if (platform::FileStatus s = file.stamp(st); s != platform::FileStatus::Ok)
        return toImageStatus(s);
    if (stamp)
        *stamp = st;
    if (st.size > maxImageFileSize)
        return ImageStatus::OutOfMemory;

    const std::int64_t wanted = maxBytes >= 0 && maxBytes < st.size ? maxBytes : st.size;
    try {
        bytes.resize(static_cast<qsizetype>(wanted));
    } catch (const std::bad_alloc &) {
        bytes = QByteArray();
        return ImageStatus::OutOfMemory;
    }
    return ImageStatus::Ok;
}

ImageStatus readFileBytes(const QByteArray &path, QByteArray &bytes, FileStamp *stamp, std::int64_t maxBytes)
{
    bytes.resize(0); // keeps the allocation
    platform::OpenFile file;
    if (ImageStatus s = openForReading(path, file); s != ImageStatus::Ok)
        return s;
    return readOpenFile(file, bytes, stamp, maxBytes);
}

ImageStatus readOpenFile(const platform::OpenFile &file, QByteArray &bytes, FileStamp *stamp, std::int64_t maxBytes)
{
    if (ImageStatus s = sizeForReading(file, bytes, stamp, maxBytes); s != ImageStatus::Ok)
        return s;
    qsizetype done = 0;
    while (done < bytes.size()) {
        std::size_t got = 0;
        const platform::FileStatus s = file.readAt(done, bytes.data() + done, static_cast<std::size_t>(bytes.size() - done), got);
        if (s != platform::FileStatus::Ok) {
            bytes.truncate(done);
            return toImageStatus(s);
        }
        if (got == 0)
            break; // shrank while we read it
        done += static_cast<qsizetype>(got);
    }
    bytes.truncate(done);
    return ImageStatus::Ok;
}

} // namespace lumicap
