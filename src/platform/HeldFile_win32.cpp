#include "platform/HeldFile.h"

#include "platform/Win32Path.h"

#include <thread>

namespace lumicap::platform {

namespace {
// Every save locks this byte, far past the end of any picture, so reading
// the file stays open to everyone while two saves exclude each other.
constexpr DWORD lockOffsetHigh = 0x7fffffff;
constexpr DWORD lockOffsetLow = 0xfffffff0;

std::filesystem::path finalPath(HANDLE h, const std::filesystem::path &fallback)
{
    const DWORD needed = ::GetFinalPathNameByHandleW(h, nullptr, 0, FILE_NAME_NORMALIZED);
    if (needed == 0)
        return fallback;
    std::wstring name(needed, L'\0');
    const DWORD got = ::GetFinalPathNameByHandleW(h, name.data(), needed, FILE_NAME_NORMALIZED);
    if (got == 0 || got >= needed)
        return fallback;
    name.resize(got);
    return std::filesystem::path(name);
}
} // namespace

FileStatus HeldFile::hold(const std::filesystem::path &path, std::chrono::milliseconds wait)
{
    release();
    const std::wstring name = extendedPath(path);
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return FileStatus::NotRegular;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        // Others may read it, and rename or delete it (the replace of a save
        // that holds it), but nobody may write it while we hold it; a
        // process that has it open for writing already makes this fail.
        const HANDLE h
            = ::CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return statusFromSystemError(static_cast<int>(::GetLastError()));
        if (FileStatus s = file_.adopt(reinterpret_cast<NativeHandle>(h)); s != FileStatus::Ok)
            return s;
        OVERLAPPED at{};
        at.Offset = lockOffsetLow;
        at.OffsetHigh = lockOffsetHigh;
        if (::LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
            // The save we waited for may have replaced the file meanwhile:
            // then hold the new one.
            FileStamp held, named;
            if (FileStatus s = file_.stamp(held); s != FileStatus::Ok)
                return s;
            if (FileStatus s = stampOf(path, named); s != FileStatus::Ok)
                return s;
            if (held.device == named.device && held.inode == named.inode) {
                target_ = finalPath(h, std::filesystem::path(name));
                return FileStatus::Ok;
            }
        }
        file_.close(); // the other save may replace the file: open it anew
        if (std::chrono::steady_clock::now() >= deadline)
            return FileStatus::InUse;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void HeldFile::release()
{
    file_.close(); // closing lets go of the lock
    leased_ = false;
}

FileStatus HeldFile::checkReplaceable(const FileStamp &stamp) const
{
    if (stamp.readOnly || stamp.links > 1)
        return FileStatus::AccessDenied;
    return FileStatus::Ok;
}

bool HeldFile::writerArrived() const
{
    return false; // the share mode keeps writers out for the whole save
}

} // namespace lumicap::platform
