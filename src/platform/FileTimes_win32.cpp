#include "platform/FileTimes.h"

#include "platform/Win32Path.h"

namespace lumicap::platform {

namespace {
constexpr std::uint64_t ticksPerSecond = 10000000; // a FILETIME counts 100 ns

FileTime fromFileTime(const FILETIME &t)
{
    const std::uint64_t ticks = (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    return {static_cast<std::int64_t>(ticks / ticksPerSecond), static_cast<std::int32_t>(ticks % ticksPerSecond * 100)};
}

FILETIME toFileTime(const FileTime &t)
{
    const std::uint64_t ticks = static_cast<std::uint64_t>(t.seconds) * ticksPerSecond + static_cast<std::uint64_t>(t.nanoseconds / 100);
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// The file's attributes only: open to everyone else, whoever has it open.
HANDLE openAttributes(const std::filesystem::path &path, DWORD access)
{
    return ::CreateFileW(extendedPath(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}
} // namespace

FileStatus FileTimes::read(const std::filesystem::path &path)
{
    const HANDLE h = openAttributes(path, FILE_READ_ATTRIBUTES);
    if (h == INVALID_HANDLE_VALUE)
        return statusFromSystemError(static_cast<int>(::GetLastError()));
    FILETIME accessed{}, written{};
    const bool ok = ::GetFileTime(h, nullptr, &accessed, &written) != 0;
    const DWORD error = ::GetLastError();
    ::CloseHandle(h);
    if (!ok)
        return statusFromSystemError(static_cast<int>(error));
    accessed_ = fromFileTime(accessed);
    modified_ = fromFileTime(written);
    return stampOf(path, stamp_);
}

FileStatus FileTimes::restore(const std::filesystem::path &path) const
{
    const HANDLE h = openAttributes(path, FILE_WRITE_ATTRIBUTES);
    if (h == INVALID_HANDLE_VALUE)
        return statusFromSystemError(static_cast<int>(::GetLastError()));
    const FILETIME accessed = toFileTime(accessed_), written = toFileTime(modified_);
    const bool ok = ::SetFileTime(h, nullptr, &accessed, &written) != 0;
    const DWORD error = ::GetLastError();
    ::CloseHandle(h);
    return ok ? FileStatus::Ok : statusFromSystemError(static_cast<int>(error));
}

} // namespace lumicap::platform
