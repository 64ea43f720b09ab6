#include "ImageStatus.h"

#include <cerrno>

namespace lumicap {

ImageStatus statusFromErrno(int error)
{
    switch (error) {
    case 0:
        return ImageStatus::Ok;
    case ENOENT:
    case ENOTDIR:
        return ImageStatus::FileNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
        return ImageStatus::AccessDenied;
    case ENOMEM:
        return ImageStatus::OutOfMemory;
    case EBUSY:
        return ImageStatus::ObjectBusy;
    case ENXIO: // a socket, or a device that is not there
    case ENODEV:
        return ImageStatus::InvalidParameter;
    case EFBIG:
    case EOVERFLOW:
        return ImageStatus::ValueOverflow;
    default:
        // Disk full, I/O errors, names too long, an existing temporary file:
        // the operating system refused, which is what this status says.
        return ImageStatus::Win32Error;
    }
}

} // namespace lumicap
