#include "platform/Win32Path.h"

#include <algorithm>

namespace lumicap::platform {

std::wstring extendedPath(const std::filesystem::path &path)
{
    std::wstring text = path.native();
    std::replace(text.begin(), text.end(), L'/', L'\\');
    if (text.rfind(L"\\\\?\\", 0) == 0)
        return text;
    // GetFullPathNameW takes paths of any length; it resolves . and .. and
    // relative paths against the current folder.
    const DWORD needed = ::GetFullPathNameW(text.c_str(), 0, nullptr, nullptr);
    if (needed > 0) {
        std::wstring full(needed, L'\0');
        const DWORD got = ::GetFullPathNameW(text.c_str(), needed, full.data(), nullptr);
        if (got > 0 && got < needed) {
            full.resize(got);
            text = full;
        }
    }
    if (text.rfind(L"\\\\", 0) == 0)
        return L"\\\\?\\UNC\\" + text.substr(2);
    return L"\\\\?\\" + text;
}

bool handleFacts(HANDLE handle, HandleFacts &facts)
{
    facts.type = ::GetFileType(handle);
    return ::GetFileInformationByHandle(handle, &facts.info) != 0;
}

} // namespace lumicap::platform
