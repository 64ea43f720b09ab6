// Loaded with LD_PRELOAD, makes every flush to disk take a fixed extra time,
// as on a laptop SSD or a network share, where this virtual machine's disk
// answers a flush at once:
//   LD_PRELOAD=build/release/bench/libslow_flush.so LUMICAP_FLUSH_DELAY_MS=5 PROGRAM...
// The delay (5 ms unless told) comes before the real call, on the calling
// thread: flushes made on several threads wait side by side, as a journal
// commits them together.
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace {
template <typename Function>
Function *real(const char *name)
{
    return reinterpret_cast<Function *>(::dlsym(RTLD_NEXT, name));
}

void waitLikeADisk()
{
    static const std::chrono::milliseconds delay([] {
        const char *ms = std::getenv("LUMICAP_FLUSH_DELAY_MS");
        return ms ? std::atol(ms) : 5L;
    }());
    const int saved = errno;
    std::this_thread::sleep_for(delay);
    errno = saved;
}
} // namespace

extern "C" {

int fsync(int fd)
{
    static const auto next = real<int(int)>("fsync");
    waitLikeADisk();
    return next(fd);
}

int fdatasync(int fd)
{
    static const auto next = real<int(int)>("fdatasync");
    waitLikeADisk();
    return next(fd);
}

int sync_file_range(int fd, off_t offset, off_t size, unsigned int flags)
{
    static const auto next = real<int(int, off_t, off_t, unsigned int)>("sync_file_range");
    waitLikeADisk();
    return next(fd, offset, size, flags);
}
}
