// The floor a tag save is measured against: each file read into a buffer
// kept between files, written to "_~" + its name beside it in megabyte
// steps, flushed, renamed over the original, and its folder flushed, one
// file after the other.
//   durable_copy FILE...
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

int main(int argc, char **argv)
{
    std::vector<char> buffer;
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string path = argv[i];
        const std::size_t slash = path.rfind('/');
        const std::string temporary = path.substr(0, slash + 1) + "_~" + path.substr(slash + 1);
        const int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        const off_t size = in < 0 ? -1 : ::lseek(in, 0, SEEK_END);
        bool ok = size >= 0 && ::lseek(in, 0, SEEK_SET) == 0;
        if (ok) {
            buffer.resize(static_cast<std::size_t>(size));
            ok = ::read(in, buffer.data(), buffer.size()) == size;
        }
        if (in >= 0)
            ::close(in);
        const int out = ok ? ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644) : -1;
        ok = out >= 0;
        for (off_t at = 0; ok && at < size; at += 1 << 20)
            ok = ::write(out, buffer.data() + at, static_cast<std::size_t>(std::min<off_t>(1 << 20, size - at))) >= 0;
        ok = ok && ::fsync(out) == 0;
        if (out >= 0)
            ::close(out);
        ok = ok && ::rename(temporary.c_str(), path.c_str()) == 0;
        const int folder = ok ? ::open(slash == std::string::npos ? "." : path.substr(0, slash + 1).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
        ok = ok && ::fsync(folder) == 0;
        if (folder >= 0)
            ::close(folder);
        failures += !ok;
    }
    return failures == 0 ? 0 : 1;
}
