#include "SafeSave.h"

#include "FileBytes.h"
#include "MetadataWriter.h"
#include "SaveSteps.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace lumicap {

#ifndef LUMICAP_SAVE_STEP_HOOK
int saveStepFault(SaveStep)
{
    return 0;
}
#endif

namespace {
// Marks a temporary file as ours, so that one left behind by a save that
// never finished (the process was killed, the power failed) can be told
// from a file of the same name that belongs to someone else.
constexpr const char *temporaryMark = "user.lumicap.temporary";

// On this platform only '/' separates; a backslash is part of a file name.
QByteArray folderOf(const QByteArray &path)
{
    return path.left(path.lastIndexOf('/') + 1);
}

QByteArray temporaryFor(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return path.left(slash + 1) + "_~" + path.mid(slash + 1);
}

QByteArray resolvedPath(const QByteArray &path, ImageStatus &status)
{
    char buffer[PATH_MAX];
    if (!::realpath(path.constData(), buffer)) {
        status = statusFromErrno(errno);
        return {};
    }
    status = ImageStatus::Ok;
    return QByteArray(buffer);
}

ImageStatus stepFault(SaveStep step)
{
    const int error = saveStepFault(step);
    return error ? statusFromErrno(error) : ImageStatus::Ok;
}

ImageStatus writeSpan(int fd, const char *data, qsizetype size)
{
    // In steps of a megabyte: here one large write was measured at half the
    // speed of the same bytes in steps.
    constexpr qsizetype step = 1 << 20;
    qsizetype done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, static_cast<std::size_t>(std::min(step, size - done)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? statusFromErrno(errno) : ImageStatus::Win32Error;
        done += n;
    }
    return ImageStatus::Ok;
}

ImageStatus writeAll(int fd, const QList<QByteArray> &pieces)
{
    qsizetype total = 0;
    for (const QByteArray &piece : pieces)
        total += piece.size();
    qsizetype written = 0;
    bool halfReported = false;
    for (const QByteArray &piece : pieces) {
        qsizetype at = 0;
        if (!halfReported && written + piece.size() >= total / 2) {
            const qsizetype first = total / 2 - written;
            if (ImageStatus s = writeSpan(fd, piece.constData(), first); s != ImageStatus::Ok)
                return s;
            if (ImageStatus s = stepFault(SaveStep::HalfWritten); s != ImageStatus::Ok)
                return s;
            halfReported = true;
            at = first;
        }
        if (ImageStatus s = writeSpan(fd, piece.constData() + at, piece.size() - at); s != ImageStatus::Ok)
            return s;
        written += piece.size();
    }
    return ImageStatus::Ok;
}

void syncFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.isEmpty() ? "." : folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Removes a temporary file that an earlier save of ours left behind: a
// regular file of our own, carrying our mark, with no save working on it
// (a live save holds a lock on it). Anything else is left alone.
bool removeLeftover(const QByteArray &temporaryPath)
{
    const int fd = ::open(temporaryPath.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    char mark = 0;
    bool removed = false;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1 && st.st_uid == ::geteuid()
        && ::fgetxattr(fd, temporaryMark, &mark, 1) == 1 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        struct stat now {};
        if (::lstat(temporaryPath.constData(), &now) == 0 && now.st_ino == st.st_ino && now.st_dev == st.st_dev)
            removed = ::unlink(temporaryPath.constData()) == 0;
    }
    ::close(fd);
    return removed;
}

// A temporary file being written: created exclusively, never through a link
// or over an existing file, locked while it lives, removed unless renamed.
class TemporaryFile
{
public:
    explicit TemporaryFile(QByteArray path) : path_(std::move(path)) {}
    ~TemporaryFile()
    {
        if (fd_ >= 0 && !renamed_)
            ::unlink(path_.constData());
        if (fd_ >= 0)
            ::close(fd_);
    }
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;

    ImageStatus create(const FileStamp &image)
    {
        // O_EXCL with O_CREAT never opens an existing file or follows a link.
        const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
        fd_ = ::open(path_.constData(), flags, 0600);
        if (fd_ < 0 && errno == EEXIST && removeLeftover(path_))
            fd_ = ::open(path_.constData(), flags, 0600);
        if (fd_ < 0)
            return statusFromErrno(errno);
        ::flock(fd_, LOCK_EX);
        ::fsetxattr(fd_, temporaryMark, "1", 1, 0); // where the file system allows
        // Keep owner and group where we may; then the permission bits, which
        // fchown may have cleared.
        if (::fchown(fd_, image.owner, image.group) != 0 && errno == EPERM)
            (void)::fchown(fd_, static_cast<uid_t>(-1), image.group);
        if (::fchmod(fd_, image.mode & 07777) != 0)
            return statusFromErrno(errno);
        return stepFault(SaveStep::TemporaryCreated);
    }

    ImageStatus write(const QList<QByteArray> &pieces)
    {
        if (ImageStatus s = writeAll(fd_, pieces); s != ImageStatus::Ok)
            return s;
        if (::fsync(fd_) != 0)
            return statusFromErrno(errno);
        return stepFault(SaveStep::Flushed);
    }

    // The lock is held until the rename is done, so no other save takes the
    // file for a leftover meanwhile.
    ImageStatus renameTo(const QByteArray &imagePath)
    {
        if (ImageStatus s = stepFault(SaveStep::Renaming); s != ImageStatus::Ok)
            return s;
        if (ImageStatus s = ReplaceFile(path_, imagePath); s != ImageStatus::Ok)
            return s;
        renamed_ = true;
        (void)saveStepFault(SaveStep::Renamed);
        return ImageStatus::Ok;
    }

private:
    QByteArray path_;
    int fd_ = -1;
    bool renamed_ = false;
};
} // namespace

ImageStatus ReplaceFile(const QByteArray &temporaryPath, const QByteArray &imagePath)
{
    if (::rename(temporaryPath.constData(), imagePath.constData()) != 0)
        return statusFromErrno(errno);
    syncFolder(folderOf(imagePath));
    return ImageStatus::Ok;
}

ImageStatus SaveImageFile(ImageHolder &image, const QByteArray &path)
{
    if (!image.isOpen())
        return ImageStatus::WrongState;
    if (FindEncoder(MimeTypeForImage(image), nullptr) < 0)
        return ImageStatus::PropertyNotSupported;

    ImageStatus status;
    const QByteArray target = resolvedPath(path, status); // a link's target is what changes
    if (status != ImageStatus::Ok)
        return status;

    QByteArray &bytes = readBuffer();
    FileStamp before;
    status = readFileBytes(target, bytes, &before);
    if (status != ImageStatus::Ok)
        return status;
    // A file without any write permission is read-only to its owner's
    // intent, also when we could write it anyway (as root).
    if ((before.mode & 0222) == 0 || ::access(target.constData(), W_OK) != 0)
        return ImageStatus::AccessDenied;
    // Renaming over a file with other hard links would split it from them.
    if (before.links > 1)
        return ImageStatus::AccessDenied;

    bool unchanged = false;
    QList<QByteArray> pieces;
    status = image.encodeInto(bytes, unchanged, pieces);
    if (status == ImageStatus::Ok && !unchanged) {
        TemporaryFile temporary(temporaryFor(target));
        status = temporary.create(before);
        if (status == ImageStatus::Ok)
            status = temporary.write(pieces);
        // Another program may have changed the image since we read it; its
        // change would be lost by the rename.
        FileStamp now;
        if (status == ImageStatus::Ok && (statFile(target, now) != ImageStatus::Ok || !now.sameContentAs(before)))
            status = ImageStatus::ObjectBusy;
        if (status == ImageStatus::Ok)
            status = temporary.renameTo(target);
    }
    pieces.clear();
    releaseLargeReadBuffer();
    return status;
}

} // namespace lumicap
