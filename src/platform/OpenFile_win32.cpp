#include "platform/OpenFile.h"
#include "platform/ReadAhead.h"

#include "platform/Win32Path.h"

#include <fcntl.h>
#include <io.h>

namespace lumicap::platform {

namespace {
FileStamp stampFrom(const BY_HANDLE_FILE_INFORMATION &info)
{
    FileStamp s;
    s.device = info.dwVolumeSerialNumber;
    s.inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    s.size = static_cast<std::int64_t>((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
    const std::uint64_t ticks = (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime;
    s.mtimeNs = static_cast<std::int64_t>(ticks * 100);
    s.readOnly = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    s.hidden = (info.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
    s.mode = s.readOnly ? 0100444 : 0100666;
    s.links = info.nNumberOfLinks;
    return s;
}
} // namespace

FileStatus OpenFile::open(const std::filesystem::path &path)
{
    close();
    if (path.empty())
        return FileStatus::NotFound;
    const std::wstring name = extendedPath(path);
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return FileStatus::NotRegular;
    const HANDLE h = ::CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return statusFromSystemError(static_cast<int>(::GetLastError()));
    return adopt(reinterpret_cast<NativeHandle>(h));
}

FileStatus OpenFile::adopt(NativeHandle handle)
{
    close();
    handle_ = handle;
    HandleFacts facts;
    if (!handleFacts(asHandle(handle_), facts))
        return statusFromSystemError(static_cast<int>(::GetLastError()));
    const bool regular = facts.type == FILE_TYPE_DISK && !(facts.info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    return regular ? FileStatus::Ok : FileStatus::NotRegular;
}

void OpenFile::close()
{
    if (handle_ != noHandle)
        ::CloseHandle(asHandle(handle_));
    handle_ = noHandle;
}

int OpenFile::releaseDescriptor()
{
    if (handle_ == noHandle)
        return -1;
    const int fd = ::_open_osfhandle(handle_, _O_RDONLY | _O_BINARY);
    if (fd < 0)
        close();
    handle_ = noHandle;
    return fd;
}

void readScattered(const OpenFile &, bool) {}

FileStatus OpenFile::stamp(FileStamp &stamp) const
{
    HandleFacts facts;
    if (!handleFacts(asHandle(handle_), facts))
        return statusFromSystemError(static_cast<int>(::GetLastError()));
    stamp = stampFrom(facts.info);
    return FileStatus::Ok;
}

FileStatus OpenFile::readAt(std::int64_t offset, char *data, std::size_t size, std::size_t &got) const
{
    got = 0;
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
    DWORD read = 0;
    const DWORD wanted = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    if (!::ReadFile(asHandle(handle_), data, wanted, &read, &at)) {
        const DWORD error = ::GetLastError();
        return error == ERROR_HANDLE_EOF ? FileStatus::Ok : statusFromSystemError(static_cast<int>(error));
    }
    got = read;
    return FileStatus::Ok;
}

FileStatus stampOf(const std::filesystem::path &path, FileStamp &stamp)
{
    // No access asked for: the file's facts only, whoever has it open.
    const HANDLE h = ::CreateFileW(extendedPath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return statusFromSystemError(static_cast<int>(::GetLastError()));
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = ::GetFileInformationByHandle(h, &info) != 0;
    const DWORD error = ::GetLastError();
    ::CloseHandle(h);
    if (!ok)
        return statusFromSystemError(static_cast<int>(error));
    stamp = stampFrom(info);
    return FileStatus::Ok;
}

FileStatus flushDescriptor(int descriptor)
{
    return ::_commit(descriptor) == 0 ? FileStatus::Ok : statusFromSystemError(static_cast<int>(::GetLastError()));
}

} // namespace lumicap::platform
