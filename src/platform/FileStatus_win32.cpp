#include "platform/FileStatus.h"

#include <windows.h>

namespace lumicap::platform {

FileStatus statusFromSystemError(int error)
{
    switch (static_cast<DWORD>(error)) {
    case ERROR_SUCCESS: return FileStatus::Ok;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME: return FileStatus::NotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_PRIVILEGE_NOT_HELD: return FileStatus::AccessDenied;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return FileStatus::OutOfMemory;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE: return FileStatus::InUse;
    case ERROR_FILE_TOO_LARGE:
    case ERROR_ARITHMETIC_OVERFLOW: return FileStatus::TooLarge;
    default: return FileStatus::SystemError;
    }
}

} // namespace lumicap::platform
