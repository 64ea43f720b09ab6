#include "platform/TemporaryFile.h"

#include "platform/NativePath.h"
#include "platform/Win32Path.h"

#include <aclapi.h>

#include <cstdio>
#include <random>
#include <string>

namespace lumicap::platform {

namespace {
// The mark is a stream of the temporary file itself, so it goes wherever
// the file goes and is gone with it. Wine keeps a stream as a file of its
// own beside the file, so it is also removed by name.
constexpr const wchar_t *markStream = L":lumicap.mark";

FileStatus lastError()
{
    return statusFromSystemError(static_cast<int>(::GetLastError()));
}

// Puts replacement in the place of target in one atomic step and makes it
// durable; target is never deleted first.
FileStatus replaceFile(const std::filesystem::path &replacement, const std::filesystem::path &target);

// As the layer's file stamps name a file: volume serial number and file index.
std::string fileIdentity(const BY_HANDLE_FILE_INFORMATION &info)
{
    const std::uint64_t index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return std::to_string(info.dwVolumeSerialNumber) + ':' + std::to_string(index);
}

std::string markFor(const BY_HANDLE_FILE_INFORMATION &info)
{
    std::random_device random;
    char token[33];
    for (int i = 0; i < 4; ++i)
        std::snprintf(token + 8 * i, 9, "%08x", static_cast<unsigned>(random()));
    return fileIdentity(info) + ':' + token;
}

// Whether the mark of the file named was put there for this very file.
bool markNamesFile(const std::wstring &name, const BY_HANDLE_FILE_INFORMATION &info)
{
    const HANDLE h = ::CreateFileW((name + markStream).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    char value[96];
    DWORD got = 0;
    const bool read = ::ReadFile(h, value, sizeof value, &got, nullptr) != 0;
    ::CloseHandle(h);
    const std::string mark(value, read ? got : 0);
    const std::string identity = fileIdentity(info) + ':';
    return mark.size() == identity.size() + 32 && mark.compare(0, identity.size(), identity) == 0;
}

// Whether the file belongs to this process's user: its owner is the user,
// or the owner the process gives what it makes (Administrators, when it
// runs elevated).
bool ownedByThisUser(HANDLE file)
{
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    bool ours = false;
    HANDLE token = nullptr;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        alignas(TOKEN_USER) unsigned char user[256];
        alignas(TOKEN_OWNER) unsigned char maker[256];
        DWORD size = 0;
        if (::GetTokenInformation(token, TokenUser, user, sizeof user, &size))
            ours = ::EqualSid(owner, reinterpret_cast<TOKEN_USER *>(user)->User.Sid);
        if (!ours && ::GetTokenInformation(token, TokenOwner, maker, sizeof maker, &size))
            ours = ::EqualSid(owner, reinterpret_cast<TOKEN_OWNER *>(maker)->Owner);
        ::CloseHandle(token);
    }
    ::LocalFree(descriptor);
    return ours;
}

// Removes a temporary file that an earlier save left behind: a regular file
// of this user with one link, not a link itself, whose mark names it, that
// no running save has open (a save keeps its temporary file open to nobody
// else). Anything else is left alone. The file that was looked at is the
// one removed: through the same handle.
bool removeLeftover(const std::wstring &name)
{
    const HANDLE h = ::CreateFileW(name.c_str(), GENERIC_READ | DELETE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    HandleFacts facts;
    bool removed = false;
    constexpr DWORD notPlain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_READONLY;
    if (handleFacts(h, facts) && facts.type == FILE_TYPE_DISK && !(facts.info.dwFileAttributes & notPlain) && facts.info.nNumberOfLinks == 1
        && ownedByThisUser(h) && markNamesFile(name, facts.info)) {
        FILE_DISPOSITION_INFO dispose{TRUE};
        removed = ::SetFileInformationByHandle(h, FileDispositionInfo, &dispose, sizeof dispose) != 0;
    }
    ::CloseHandle(h);
    if (removed)
        ::DeleteFileW((name + markStream).c_str()); // under Wine
    return removed;
}
} // namespace

TemporaryFile::TemporaryFile(const HeldFile &original)
    : original_(original)
    , path_(temporarySibling(original.target()))
{}

TemporaryFile::~TemporaryFile()
{
    if (handle_ != noHandle)
        ::CloseHandle(asHandle(handle_));
    if (created() && !replaced_) {
        const std::wstring name = extendedPath(path_);
        ::DeleteFileW((name + markStream).c_str()); // under Wine
        ::DeleteFileW(name.c_str());
    }
}

bool TemporaryFile::created() const
{
    return created_;
}

FileStatus TemporaryFile::create(const FileStamp &)
{
    // CREATE_NEW never opens an existing file; nobody else may open ours.
    const std::wstring name = extendedPath(path_);
    const auto make = [&name] { return ::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr); };
    HANDLE h = make();
    DWORD error = ::GetLastError();
    if (h == INVALID_HANDLE_VALUE && error == ERROR_FILE_EXISTS && removeLeftover(name)) {
        h = make();
        error = ::GetLastError();
    }
    if (h == INVALID_HANDLE_VALUE)
        return statusFromSystemError(static_cast<int>(error));
    handle_ = reinterpret_cast<NativeHandle>(h);
    created_ = true;
    // Where the file system has streams (NTFS does, FAT does not); sharing
    // is kept per stream, so the file stays closed to everyone else.
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileInformationByHandle(h, &info)) {
        const std::string mark = markFor(info);
        const HANDLE m = ::CreateFileW((name + markStream).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (m != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            ::WriteFile(m, mark.data(), static_cast<DWORD>(mark.size()), &written, nullptr);
            ::CloseHandle(m);
        }
    }
    return FileStatus::Ok;
}

bool TemporaryFile::startAsClone()
{
    // Not yet: on ReFS, which shares blocks between files, the file would be
    // sized with SetEndOfFile and DeviceIoControl(FSCTL_DUPLICATE_EXTENTS_TO_FILE)
    // would clone the original's clusters into it here (GENERIC_READ is then
    // needed too, for the read-back). Until then the file is written whole.
    return false;
}

FileStatus TemporaryFile::writeAt(std::int64_t offset, const char *data, std::size_t size)
{
    while (size > 0) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD written = 0;
        const DWORD wanted = static_cast<DWORD>(size < (1u << 20) ? size : (1u << 20));
        if (!::WriteFile(asHandle(handle_), data, wanted, &written, &at))
            return lastError();
        if (written == 0)
            return FileStatus::SystemError;
        data += written;
        offset += written;
        size -= written;
    }
    return FileStatus::Ok;
}

FileStatus TemporaryFile::setSize(std::int64_t size)
{
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = size;
    return ::SetFileInformationByHandle(asHandle(handle_), FileEndOfFileInfo, &end, sizeof end) ? FileStatus::Ok : lastError();
}

FileStatus TemporaryFile::flush()
{
    return ::FlushFileBuffers(asHandle(handle_)) ? FileStatus::Ok : lastError();
}

FileStatus TemporaryFile::replace(FolderFlush)
{
    // ReplaceFileW opens the new file itself. The mark comes off once the
    // file is closed (deleting a stream asks for delete access, which our
    // own exclusive handle would refuse), and never goes along with it.
    ::CloseHandle(asHandle(handle_));
    handle_ = noHandle;
    const std::wstring mark = extendedPath(path_) + markStream;
    if (!::DeleteFileW(mark.c_str())) {
        const DWORD error = ::GetLastError();
        if (::GetFileAttributesW(mark.c_str()) != INVALID_FILE_ATTRIBUTES)
            return statusFromSystemError(static_cast<int>(error));
    }
    if (FileStatus s = replaceFile(path_, original_.target()); s != FileStatus::Ok)
        return s;
    replaced_ = true;
    return FileStatus::Ok;
}

void flushFolder(const std::filesystem::path &) {}

namespace {
FileStatus replaceFile(const std::filesystem::path &replacement, const std::filesystem::path &target)
{
    const std::wstring from = extendedPath(replacement);
    const std::wstring to = extendedPath(target);
    // ReplaceFileW merges the original's attributes into the new file; not
    // every implementation does (Wine 8 does not), and the move below does
    // not, so they are copied first.
    const DWORD attributes = ::GetFileAttributesW(to.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        ::SetFileAttributesW(
            from.c_str(), attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
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
} // namespace

} // namespace lumicap::platform
