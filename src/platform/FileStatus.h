#pragma once

namespace lumicap::platform {

// What a file operation came to. The numbers are the status numbers the
// program shows for the same outcome, so a caller may pass them on as they
// are.
enum class FileStatus : int {
    Ok = 0,
    NotRegular = 2,  // a folder, a FIFO, a socket, a device
    OutOfMemory = 3, // also a file too large to read into memory
    InUse = 4,       // held by another save, open for writing elsewhere, or changed meanwhile
    SystemError = 7, // the system refused: disk full, I/O error, name too long, name taken
    NotFound = 10,
    TooLarge = 11,
    AccessDenied = 12, // no permission, or a read-only file
};

// Maps an error of the system (errno, or GetLastError on Windows).
FileStatus statusFromSystemError(int error);

} // namespace lumicap::platform
