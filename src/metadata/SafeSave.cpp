#include "SafeSave.h"

#include "FileBytes.h"
#include "MetadataWriter.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumicap {

namespace {
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

ImageStatus writeAll(int fd, const QList<QByteArray> &pieces)
{
    for (const QByteArray &bytes : pieces) {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<std::size_t>(bytes.size() - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return n < 0 ? statusFromErrno(errno) : ImageStatus::Win32Error;
            done += n;
        }
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

// Writes the pieces to a new file at temporaryPath with the image's
// permissions, and flushes it.
ImageStatus writeTemporary(const QByteArray &temporaryPath, const QList<QByteArray> &pieces, const FileStamp &image)
{
    // O_EXCL with O_CREAT never opens an existing file or follows a link.
    const int fd = ::open(temporaryPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return statusFromErrno(errno);
    // Keep owner and group where we may; then the permission bits, which
    // fchown may have cleared.
    if (::fchown(fd, image.owner, image.group) != 0 && errno == EPERM)
        (void)::fchown(fd, static_cast<uid_t>(-1), image.group);
    ImageStatus status = ::fchmod(fd, image.mode & 07777) == 0 ? ImageStatus::Ok : statusFromErrno(errno);
    if (status == ImageStatus::Ok)
        status = writeAll(fd, pieces);
    if (status == ImageStatus::Ok && ::fsync(fd) != 0)
        status = statusFromErrno(errno);
    if (::close(fd) != 0 && status == ImageStatus::Ok)
        status = statusFromErrno(errno);
    if (status != ImageStatus::Ok)
        ::unlink(temporaryPath.constData());
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
    if (status != ImageStatus::Ok || unchanged) {
        releaseLargeReadBuffer();
        return status;
    }

    const QByteArray temporary = temporaryFor(target);
    status = writeTemporary(temporary, pieces, before);
    pieces.clear();
    releaseLargeReadBuffer();
    if (status != ImageStatus::Ok)
        return status;

    // Another program may have changed the image since we read it; its
    // change would be lost by the rename.
    FileStamp now;
    if (statFile(target, now) != ImageStatus::Ok || !now.sameContentAs(before)) {
        ::unlink(temporary.constData());
        return ImageStatus::ObjectBusy;
    }
    status = ReplaceFile(temporary, target);
    if (status != ImageStatus::Ok)
        ::unlink(temporary.constData());
    return status;
}

} // namespace lumicap
