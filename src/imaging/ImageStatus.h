#pragma once

namespace lumicap {

// The status numbers of the classic imaging API. Messages show them as plain
// numbers, so the values are part of what the user sees and must not change.
enum class ImageStatus : int {
    Ok = 0,
    GenericError = 1,
    InvalidParameter = 2,
    OutOfMemory = 3,
    ObjectBusy = 4,
    InsufficientBuffer = 5,
    NotImplemented = 6,
    Win32Error = 7,
    WrongState = 8,
    Aborted = 9,
    FileNotFound = 10,
    ValueOverflow = 11,
    AccessDenied = 12,
    UnknownImageFormat = 13,
    PropertyNotFound = 19,
    PropertyNotSupported = 20,
    EmptyFile = 22, // our own: a file of no bytes, not a damaged one
};

constexpr int statusNumber(ImageStatus s)
{
    return static_cast<int>(s);
}

} // namespace lumicap
