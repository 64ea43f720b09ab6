#include "platform/FolderListing.h"

#include "platform/Win32Path.h"

namespace lumicap::platform {

namespace {
std::string utf8(const wchar_t *text)
{
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string out(static_cast<std::size_t>(size - 1), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    return out;
}
} // namespace

bool listFolder(const std::filesystem::path &folder, std::vector<FolderEntry> &entries)
{
    entries.clear();
    std::wstring pattern = extendedPath(folder.empty() ? std::filesystem::path(L".") : folder);
    if (pattern.back() != L'\\')
        pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW data{};
    const HANDLE find = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE)
        return ::GetLastError() == ERROR_FILE_NOT_FOUND; // an empty folder on some file systems
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const DWORD a = data.dwFileAttributes;
        // A link to a file (a reparse point without the folder bit) counts
        // as the file it leads to.
        const bool regular = !(a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
        const bool folder = (a & FILE_ATTRIBUTE_DIRECTORY) && !(a & FILE_ATTRIBUTE_REPARSE_POINT);
        entries.push_back({utf8(data.cFileName), regular, (a & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0, folder});
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    return true;
}

} // namespace lumicap::platform
