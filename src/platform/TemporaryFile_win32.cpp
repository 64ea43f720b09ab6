#include "TemporaryFile.h"

#include "NativePath.h"
#include "Win32Path.h"

namespace lumicap::platform {

namespace {
FileStatus lastError()
{
    return statusFromSystemError(static_cast<int>(::GetLastError()));
}
} // namespace

TemporaryFile::TemporaryFile(const HeldFile &original) : original_(original), path_(temporarySibling(original.target())) {}

TemporaryFile::~TemporaryFile()
{
    if (handle_ != noHandle)
        ::CloseHandle(asHandle(handle_));
    if (created() && !replaced_)
        ::DeleteFileW(extendedPath(path_).c_str());
}

bool TemporaryFile::created() const
{
    return created_;
}

FileStatus TemporaryFile::create(const FileStamp &)
{
    // CREATE_NEW never opens an existing file; nobody else may open ours.
    const HANDLE h = ::CreateFileW(extendedPath(path_).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return lastError();
    handle_ = reinterpret_cast<NativeHandle>(h);
    created_ = true;
    return FileStatus::Ok;
}

FileStatus TemporaryFile::write(const char *data, std::size_t size)
{
    constexpr std::size_t step = 1 << 20;
    std::size_t done = 0;
    while (done < size) {
        DWORD written = 0;
        const DWORD wanted = static_cast<DWORD>(size - done < step ? size - done : step);
        if (!::WriteFile(asHandle(handle_), data + done, wanted, &written, nullptr))
            return lastError();
        if (written == 0)
            return FileStatus::SystemError;
        done += written;
    }
    return FileStatus::Ok;
}

FileStatus TemporaryFile::flush()
{
    return ::FlushFileBuffers(asHandle(handle_)) ? FileStatus::Ok : lastError();
}

FileStatus TemporaryFile::replace()
{
    // ReplaceFileW opens the new file itself.
    ::CloseHandle(asHandle(handle_));
    handle_ = noHandle;
    if (FileStatus s = replaceFile(path_, original_.target()); s != FileStatus::Ok)
        return s;
    replaced_ = true;
    return FileStatus::Ok;
}

FileStatus replaceFile(const std::filesystem::path &replacement, const std::filesystem::path &target)
{
    const std::wstring from = extendedPath(replacement);
    const std::wstring to = extendedPath(target);
    // ReplaceFileW merges the original's attributes into the new file; not
    // every implementation does (Wine 8 does not), and the move below does
    // not, so they are copied first.
    const DWORD attributes = ::GetFileAttributesW(to.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        ::SetFileAttributesW(from.c_str(), attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE
                                                         | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
    if (::ReplaceFileW(to.c_str(), from.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        return FileStatus::Ok;
    const DWORD error = ::GetLastError();
    // ERROR_UNABLE_TO_MOVE_REPLACEMENT(_2): the original may be gone or
    // renamed; anything else left both files as they were. Where the file
    // system or a handle held on the original rules out ReplaceFileW, an
    // atomic move.
    if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT || error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2)
        return statusFromSystemError(static_cast<int>(error));
    if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return FileStatus::Ok;
    return lastError();
}

} // namespace lumicap::platform
