#include "platform/MappedFile.h"

#include <windows.h>

namespace lumicap::platform {

FileStatus MappedFile::map(NativeHandle handle)
{
    unmap();
    const HANDLE file = reinterpret_cast<HANDLE>(handle);
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size))
        return statusFromSystemError(static_cast<int>(::GetLastError()));
    if (size.QuadPart == 0)
        return FileStatus::Ok;
    const HANDLE mapping = ::CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!mapping)
        return statusFromSystemError(static_cast<int>(::GetLastError()));
    const void *view = ::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    const DWORD error = ::GetLastError();
    ::CloseHandle(mapping); // the view keeps the mapping
    if (!view)
        return statusFromSystemError(static_cast<int>(error));
    data_ = static_cast<const char *>(view);
    size_ = static_cast<std::size_t>(size.QuadPart);
    return FileStatus::Ok;
}

void MappedFile::unmap()
{
    if (data_)
        ::UnmapViewOfFile(data_);
    data_ = nullptr;
    size_ = 0;
}

} // namespace lumicap::platform
