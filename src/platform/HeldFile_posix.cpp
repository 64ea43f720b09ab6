#include "platform/HeldFile.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumicap::platform {

namespace {
// A lease holder is sent SIGIO when a writer breaks its lease. The save asks
// the lease itself (F_GETLEASE) instead, so the signal must not end the
// process, which is what it does by default.
void quietLeaseSignal()
{
    static const bool quieted = [] {
        struct sigaction current
        {};
        if (::sigaction(SIGIO, nullptr, &current) == 0 && !(current.sa_flags & SA_SIGINFO) && current.sa_handler == SIG_DFL) {
            struct sigaction ignore
            {};
            ignore.sa_handler = SIG_IGN;
            sigemptyset(&ignore.sa_mask);
            ::sigaction(SIGIO, &ignore, nullptr);
        }
        return true;
    }();
    (void)quieted;
}
} // namespace

FileStatus HeldFile::hold(const std::filesystem::path &path, std::chrono::milliseconds wait)
{
    release();
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved))
        return statusFromSystemError(errno);
    target_ = resolved;

    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        const int fd = ::open(target_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (fd < 0)
            return statusFromSystemError(errno);
        if (FileStatus s = file_.adopt(fd); s != FileStatus::Ok)
            return s;
        while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK && errno != EINTR)
                break; // a file system without locks: the stamp check remains
            if (std::chrono::steady_clock::now() >= deadline)
                return FileStatus::InUse;
            ::usleep(5000);
        }
        // The save we waited for has replaced the file: hold the new one.
        struct stat held
        {
        }, named{};
        if (::fstat(fd, &held) != 0 || ::stat(target_.c_str(), &named) != 0)
            return statusFromSystemError(errno);
        if (held.st_dev == named.st_dev && held.st_ino == named.st_ino)
            break;
        if (std::chrono::steady_clock::now() >= deadline)
            return FileStatus::InUse;
    }
    quietLeaseSignal();
    // A save we waited for lets go of its lock on the new file a moment
    // before the system stops counting that file as open for writing (its
    // close releases the lock first): a refused lease is asked for again for
    // a short while, far shorter than any writer of a whole photo takes.
    const auto leaseDeadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
    while (::fcntl(static_cast<int>(file_.handle()), F_SETLEASE, F_RDLCK) != 0) {
        if (errno != EAGAIN && errno != EBUSY)
            return FileStatus::Ok; // not our file, or no leases here: the stamp check before the replace remains
        if (std::chrono::steady_clock::now() >= leaseDeadline)
            return FileStatus::InUse; // open for writing in another program
        ::usleep(2000);
    }
    leased_ = true;
    return FileStatus::Ok;
}

void HeldFile::release()
{
    if (leased_)
        ::fcntl(static_cast<int>(file_.handle()), F_SETLEASE, F_UNLCK);
    leased_ = false;
    file_.close();
}

FileStatus HeldFile::checkReplaceable(const FileStamp &stamp) const
{
    // A file without any write permission is read-only to its owner's
    // intent, also when we could write it anyway (as root).
    if (stamp.readOnly || ::access(target_.c_str(), W_OK) != 0 || stamp.links > 1)
        return FileStatus::AccessDenied;
    return FileStatus::Ok;
}

bool HeldFile::writerArrived() const
{
    return leased_ && ::fcntl(static_cast<int>(file_.handle()), F_GETLEASE) != F_RDLCK;
}

} // namespace lumicap::platform
