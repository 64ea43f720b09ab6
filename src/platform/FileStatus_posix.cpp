#include "platform/FileStatus.h"

#include <cerrno>

namespace lumicap::platform {

FileStatus statusFromSystemError(int error)
{
    switch (error) {
    case 0: return FileStatus::Ok;
    case ENOENT:
    case ENOTDIR: return FileStatus::NotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY: return FileStatus::AccessDenied;
    case ENOMEM: return FileStatus::OutOfMemory;
    case EBUSY:
    case EAGAIN: return FileStatus::InUse;
    case ENXIO: // a socket, or a device that is not there
    case ENODEV: return FileStatus::NotRegular;
    case EFBIG:
    case EOVERFLOW: return FileStatus::TooLarge;
    default: return FileStatus::SystemError;
    }
}

} // namespace lumicap::platform
