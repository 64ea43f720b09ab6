#include "platform/TemporaryFile.h"

#include "platform/NativePath.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <random>
#include <stdio.h>
#include <string>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace lumicap::platform {

namespace {
constexpr const char *temporaryMark = "user.lumicap.temporary";

int fdOf(NativeHandle h)
{
    return static_cast<int>(h);
}

FileStatus lastError()
{
    return statusFromSystemError(errno);
}

// Writes size bytes through write(done), a call that writes some of what
// follows the first done bytes and says how many it wrote, until all are
// written; a call a signal interrupts is made again.
template <class Write>
FileStatus writeAll(std::size_t size, Write write)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = write(done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? lastError() : FileStatus::SystemError;
        done += static_cast<std::size_t>(n);
    }
    return FileStatus::Ok;
}

std::string fileIdentity(const struct stat &st)
{
    return std::to_string(static_cast<unsigned long long>(st.st_dev)) + ':' + std::to_string(static_cast<unsigned long long>(st.st_ino));
}

std::string markFor(const struct stat &st)
{
    std::random_device random;
    char token[33];
    for (int i = 0; i < 4; ++i)
        std::snprintf(token + 8 * i, 9, "%08x", static_cast<unsigned>(random()));
    return fileIdentity(st) + ':' + token;
}

// Whether the mark on fd was put there for this very file.
bool markNamesFile(int fd, const struct stat &st)
{
    char value[96] = {};
    const ssize_t n = ::fgetxattr(fd, temporaryMark, value, sizeof value - 1);
    if (n <= 0)
        return false;
    const std::string mark(value, static_cast<std::size_t>(n));
    const std::string identity = fileIdentity(st) + ':';
    return mark.size() == identity.size() + 32 && mark.compare(0, identity.size(), identity) == 0;
}

// Removes a temporary file that an earlier save left behind: a regular file
// of our own with one link, whose mark names it, with no save working on it
// (a live save holds a lock on it). Anything else is left alone.
bool removeLeftover(const std::filesystem::path &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st
    {};
    bool removed = false;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1 && st.st_uid == ::geteuid() && markNamesFile(fd, st)
        && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        struct stat now
        {};
        if (::lstat(path.c_str(), &now) == 0 && now.st_ino == st.st_ino && now.st_dev == st.st_dev)
            removed = ::unlink(path.c_str()) == 0;
    }
    ::close(fd);
    return removed;
}

bool startsWith(const char *text, const char *prefix)
{
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// The user's own attributes (user.*) and the access list must come along,
// or the save fails; what only the system may set (security.*, trusted.*)
// is the file system's to give. The mark is never copied.
FileStatus copyExtendedAttributes(int from, int to)
{
    std::vector<char> names;
    for (;;) {
        const ssize_t size = ::flistxattr(from, nullptr, 0);
        if (size < 0)
            return errno == ENOTSUP ? FileStatus::Ok : lastError();
        names.resize(static_cast<std::size_t>(size));
        const ssize_t got = ::flistxattr(from, names.data(), names.size());
        if (got >= 0) {
            names.resize(static_cast<std::size_t>(got));
            break;
        }
        if (errno != ERANGE)
            return lastError();
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
        if ((size < 0 || ::fsetxattr(to, name, value.data(), static_cast<std::size_t>(size), 0) != 0) && required)
            return lastError();
    }
    return FileStatus::Ok;
}

int exchange(const std::filesystem::path &a, const std::filesystem::path &b)
{
    return ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE);
}
} // namespace

TemporaryFile::TemporaryFile(const HeldFile &original)
    : original_(original)
    , path_(temporarySibling(original.target()))
{}

bool TemporaryFile::created() const
{
    return created_;
}

TemporaryFile::~TemporaryFile()
{
    if (handle_ != noHandle) {
        if (!replaced_)
            ::unlink(path_.c_str());
        ::close(fdOf(handle_));
    }
}

FileStatus TemporaryFile::create(const FileStamp &original)
{
    // O_EXCL with O_CREAT never opens an existing file or follows a link.
    const int flags = O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    int fd = ::open(path_.c_str(), flags, 0600);
    if (fd < 0 && errno == EEXIST) {
        if (!removeLeftover(path_))
            return FileStatus::SystemError; // the name is taken: not by a leftover of ours
        fd = ::open(path_.c_str(), flags, 0600);
    }
    if (fd < 0)
        return lastError();
    handle_ = fd;
    created_ = true;
    ::flock(fd, LOCK_EX);
    struct stat st
    {};
    if (::fstat(fd, &st) != 0)
        return lastError();
    const std::string mark = markFor(st);
    ::fsetxattr(fd, temporaryMark, mark.data(), mark.size(), 0); // where the file system allows
    // Owner and group where we may; then the attributes and the access list;
    // then the mode, which on a file with an access list sets its mask to
    // what it was.
    if (::fchown(fd, original.owner, original.group) != 0 && errno == EPERM)
        (void)::fchown(fd, static_cast<uid_t>(-1), original.group);
    if (FileStatus s = copyExtendedAttributes(fdOf(original_.file().handle()), fd); s != FileStatus::Ok)
        return s;
    if (::fchmod(fd, original.mode & 07777) != 0)
        return lastError();
    return FileStatus::Ok;
}

bool TemporaryFile::startAsClone()
{
    // Refused (EXDEV, EOPNOTSUPP, EINVAL, ENOTTY...) where blocks cannot be
    // shared; the file is then still empty.
    return ::ioctl(fdOf(handle_), FICLONE, fdOf(original_.file().handle())) == 0;
}

FileStatus TemporaryFile::writeAt(std::int64_t offset, const char *data, std::size_t size)
{
    return writeAll(size, [&](std::size_t done) {
        return ::pwrite(fdOf(handle_), data + done, size - done, static_cast<off_t>(offset) + static_cast<off_t>(done));
    });
}

FileStatus TemporaryFile::setSize(std::int64_t size)
{
    return ::ftruncate(fdOf(handle_), static_cast<off_t>(size)) == 0 ? FileStatus::Ok : lastError();
}

FileStatus TemporaryFile::flush()
{
    return ::fsync(fdOf(handle_)) == 0 ? FileStatus::Ok : lastError();
}

FileStatus TemporaryFile::replace(FolderFlush folder)
{
    if (::fremovexattr(fdOf(handle_), temporaryMark) != 0 && errno != ENODATA && errno != ENOTSUP)
        return lastError();
    const std::filesystem::path &target = original_.target();
    if (original_.leased()) {
        if (exchange(path_, target) == 0) {
            // The new file has the original's name, the old one ours.
            if (original_.writerArrived()) {
                if (exchange(path_, target) != 0)
                    replaced_ = true; // the old file is the writer's now: never removed
                return FileStatus::InUse;
            }
            replaced_ = true;
            ::unlink(path_.c_str()); // the old file
        } else if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
            return lastError();
        }
    }
    if (!replaced_) {
        if (::rename(path_.c_str(), target.c_str()) != 0)
            return lastError();
        replaced_ = true;
    }
    if (folder == FolderFlush::Now)
        flushFolder(target.parent_path());
    return FileStatus::Ok;
}

void flushFolder(const std::filesystem::path &folder)
{
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace lumicap::platform
