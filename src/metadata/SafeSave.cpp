#include "SafeSave.h"

#include "FileBytes.h"
#include "MetadataWriter.h"
#include "SaveSteps.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <random>
#include <vector>
#include <stdio.h>
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
// from a file of the same name that belongs to someone else. The mark names
// the very file it is on (device and inode) and holds a random token, and it
// is taken off before the rename: a saved picture never carries it, and a
// copy of a leftover (another inode) is not taken for one.
constexpr const char *temporaryMark = "user.lumicap.temporary";

// How long a save waits for another save of the same picture to finish.
constexpr auto lockWait = std::chrono::seconds(3);

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

QByteArray markFor(const struct stat &st)
{
    std::random_device random;
    char token[33];
    for (int i = 0; i < 4; ++i)
        std::snprintf(token + 8 * i, 9, "%08x", static_cast<unsigned>(random()));
    return QByteArray::number(static_cast<qulonglong>(st.st_dev)) + ':' + QByteArray::number(static_cast<qulonglong>(st.st_ino))
           + ':' + token;
}

// Whether the mark on fd was put there for this very file.
bool markNamesFile(int fd, const struct stat &st)
{
    char value[96] = {};
    const ssize_t n = ::fgetxattr(fd, temporaryMark, value, sizeof value - 1);
    if (n <= 0)
        return false;
    const QList<QByteArray> parts = QByteArray(value, n).split(':');
    return parts.size() == 3 && parts[0] == QByteArray::number(static_cast<qulonglong>(st.st_dev))
           && parts[1] == QByteArray::number(static_cast<qulonglong>(st.st_ino)) && parts[2].size() == 32;
}

// Removes a temporary file that an earlier save of ours left behind: a
// regular file of our own with one link, whose mark names it, with no save
// working on it (a live save holds a lock on it). Anything else is left
// alone.
bool removeLeftover(const QByteArray &temporaryPath)
{
    const int fd = ::open(temporaryPath.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    bool removed = false;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1 && st.st_uid == ::geteuid() && markNamesFile(fd, st)
        && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        struct stat now {};
        if (::lstat(temporaryPath.constData(), &now) == 0 && now.st_ino == st.st_ino && now.st_dev == st.st_dev)
            removed = ::unlink(temporaryPath.constData()) == 0;
    }
    ::close(fd);
    return removed;
}

bool startsWith(const char *text, const char *prefix)
{
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// Copies the extended attributes of one open file onto another: the user's
// own (user.*) and the access control list (system.posix_acl_access) must
// come along, or the save fails; what only the system may set (security.*,
// trusted.*) is the file system's to give. Our mark is never copied.
ImageStatus copyExtendedAttributes(int from, int to)
{
    std::vector<char> names;
    for (;;) {
        const ssize_t size = ::flistxattr(from, nullptr, 0);
        if (size < 0)
            return errno == ENOTSUP ? ImageStatus::Ok : statusFromErrno(errno);
        names.resize(static_cast<std::size_t>(size));
        const ssize_t got = ::flistxattr(from, names.data(), names.size());
        if (got >= 0) {
            names.resize(static_cast<std::size_t>(got));
            break;
        }
        if (errno != ERANGE)
            return statusFromErrno(errno);
    }
    std::vector<char> value;
    for (std::size_t at = 0; at < names.size(); at += std::strlen(names.data() + at) + 1) {
        const char *name = names.data() + at;
        if (std::strcmp(name, temporaryMark) == 0)
            continue;
        const bool required = startsWith(name, "user.") || startsWith(name, "system.posix_acl_");
        ssize_t size = ::fgetxattr(from, name, nullptr, 0);
        if (size >= 0) {
            value.resize(static_cast<std::size_t>(size));
            size = ::fgetxattr(from, name, value.data(), value.size());
        }
        if (size < 0 || ::fsetxattr(to, name, value.data(), static_cast<std::size_t>(size), 0) != 0) {
            if (required)
                return statusFromErrno(errno);
        }
    }
    return ImageStatus::Ok;
}

// A lease holder is sent SIGIO when a writer breaks its lease. A save asks
// the lease itself (F_GETLEASE) instead, so the signal must not end the
// process, which is what it does by default.
void quietLeaseSignal()
{
    static const bool quieted = [] {
        struct sigaction current {};
        if (::sigaction(SIGIO, nullptr, &current) == 0 && !(current.sa_flags & SA_SIGINFO) && current.sa_handler == SIG_DFL) {
            struct sigaction ignore {};
            ignore.sa_handler = SIG_IGN;
            sigemptyset(&ignore.sa_mask);
            ::sigaction(SIGIO, &ignore, nullptr);
        }
        return true;
    }();
    (void)quieted;
}

// The image, held for the whole of a save: open for reading, locked against
// other saves of ours (an exclusive flock, which each of them takes), and
// where the system allows, leased against other programs. A read lease
// cannot be had while any process has the file open for writing, and a
// process that opens it for writing later breaks it; its open then waits
// until the lease is let go, so a save that sees the break can give way
// before anything was written.
class HeldImage
{
public:
    HeldImage() = default;
    ~HeldImage() { release(); }
    HeldImage(const HeldImage &) = delete;
    HeldImage &operator=(const HeldImage &) = delete;

    ImageStatus hold(const QByteArray &path)
    {
        const auto deadline = std::chrono::steady_clock::now() + lockWait;
        for (;;) {
            release();
            fd_ = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
            if (fd_ < 0)
                return statusFromErrno(errno);
            while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
                if (errno != EWOULDBLOCK && errno != EINTR)
                    break; // a file system without locks: the stamp check remains
                if (std::chrono::steady_clock::now() >= deadline)
                    return ImageStatus::ObjectBusy;
                ::usleep(5000);
            }
            // The save we waited for has replaced the file: hold the new one.
            struct stat held {}, named {};
            if (::fstat(fd_, &held) != 0 || ::stat(path.constData(), &named) != 0)
                return statusFromErrno(errno);
            if (held.st_dev == named.st_dev && held.st_ino == named.st_ino)
                break;
            if (std::chrono::steady_clock::now() >= deadline)
                return ImageStatus::ObjectBusy;
        }
        quietLeaseSignal();
        if (::fcntl(fd_, F_SETLEASE, F_RDLCK) == 0)
            leased_ = true;
        else if (errno == EAGAIN || errno == EBUSY)
            return ImageStatus::ObjectBusy; // open for writing in another program
        // Otherwise (not our file, or a file system without leases) the
        // stamp check before the rename is what remains.
        return ImageStatus::Ok;
    }

    int fd() const { return fd_; }
    bool leased() const { return leased_; }

    // Another program opened the image for writing since it was held.
    bool writerArrived() const { return leased_ && ::fcntl(fd_, F_GETLEASE) != F_RDLCK; }

private:
    void release()
    {
        if (fd_ < 0)
            return;
        if (leased_)
            ::fcntl(fd_, F_SETLEASE, F_UNLCK);
        ::close(fd_);
        fd_ = -1;
        leased_ = false;
    }

    int fd_ = -1;
    bool leased_ = false;
};

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

    // Made with the image's owner, group, extended attributes, access list
    // and mode, in that order: a file with an access list gets its mode
    // bits from the list, so it never allows more than the image did.
    ImageStatus create(const FileStamp &image, int imageFd)
    {
        // O_EXCL with O_CREAT never opens an existing file or follows a link.
        const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
        fd_ = ::open(path_.constData(), flags, 0600);
        if (fd_ < 0 && errno == EEXIST && removeLeftover(path_))
            fd_ = ::open(path_.constData(), flags, 0600);
        if (fd_ < 0)
            return statusFromErrno(errno);
        ::flock(fd_, LOCK_EX);
        struct stat st {};
        if (::fstat(fd_, &st) != 0)
            return statusFromErrno(errno);
        const QByteArray mark = markFor(st);
        ::fsetxattr(fd_, temporaryMark, mark.constData(), static_cast<std::size_t>(mark.size()), 0); // where allowed
        // Keep owner and group where we may.
        if (::fchown(fd_, image.owner, image.group) != 0 && errno == EPERM)
            (void)::fchown(fd_, static_cast<uid_t>(-1), image.group);
        if (ImageStatus s = copyExtendedAttributes(imageFd, fd_); s != ImageStatus::Ok)
            return s;
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
    // file for a leftover meanwhile. Where the image is leased, the two
    // names are exchanged rather than the image renamed over: a writer that
    // slipped in between the last check and the exchange has opened the old
    // file, which still has a name then, and is given it back.
    ImageStatus replace(const QByteArray &imagePath, const HeldImage &image)
    {
        if (ImageStatus s = stepFault(SaveStep::Renaming); s != ImageStatus::Ok)
            return s;
        if (::fremovexattr(fd_, temporaryMark) != 0 && errno != ENODATA && errno != ENOTSUP)
            return statusFromErrno(errno);
        if (image.leased()) {
            if (::renameat2(AT_FDCWD, path_.constData(), AT_FDCWD, imagePath.constData(), RENAME_EXCHANGE) == 0)
                return afterExchange(imagePath, image);
            if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
                return statusFromErrno(errno);
        }
        if (ImageStatus s = ReplaceFile(path_, imagePath); s != ImageStatus::Ok)
            return s;
        renamed_ = true;
        (void)saveStepFault(SaveStep::Renamed);
        return ImageStatus::Ok;
    }

private:
    // The new file has the image's name, the old one ours.
    ImageStatus afterExchange(const QByteArray &imagePath, const HeldImage &image)
    {
        if (image.writerArrived()) {
            if (::renameat2(AT_FDCWD, path_.constData(), AT_FDCWD, imagePath.constData(), RENAME_EXCHANGE) != 0)
                renamed_ = true; // the old file is the writer's now: never removed
            return ImageStatus::ObjectBusy;
        }
        renamed_ = true;
        ::unlink(path_.constData()); // the old image
        syncFolder(folderOf(imagePath));
        (void)saveStepFault(SaveStep::Renamed);
        return ImageStatus::Ok;
    }

    QByteArray path_;
    int fd_ = -1;
    bool renamed_ = false;
};

ImageStatus saveImageFile(ImageHolder &image, const QByteArray &path)
{
    if (!image.isOpen())
        return ImageStatus::WrongState;
    if (FindEncoder(MimeTypeForImage(image), nullptr) < 0)
        return ImageStatus::PropertyNotSupported;

    ImageStatus status;
    const QByteArray target = resolvedPath(path, status); // a link's target is what changes
    if (status != ImageStatus::Ok)
        return status;

    // Everything from here on is done with the image held: the bytes the
    // edits are applied to are the bytes that are replaced.
    HeldImage held;
    status = held.hold(target);
    if (status != ImageStatus::Ok)
        return status;
    QByteArray &bytes = readBuffer();
    FileStamp before;
    status = readOpenFile(held.fd(), bytes, &before);
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
        status = temporary.create(before, held.fd());
        if (status == ImageStatus::Ok)
            status = temporary.write(pieces);
        // Another program may have written to the image since we read it;
        // its change would be lost by the rename.
        FileStamp now;
        if (status == ImageStatus::Ok
            && (held.writerArrived() || statFile(target, now) != ImageStatus::Ok || !now.sameContentAs(before)))
            status = ImageStatus::ObjectBusy;
        if (status == ImageStatus::Ok)
            status = temporary.replace(target, held);
    }
    return status;
}
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
    struct Release
    {
        ~Release() { releaseLargeReadBuffer(); }
    } release;
    try {
        return saveImageFile(image, path);
    } catch (const std::bad_alloc &) {
        readBuffer() = QByteArray();
        return ImageStatus::OutOfMemory;
    }
}

} // namespace lumicap
