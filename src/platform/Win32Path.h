#pragma once

#include <filesystem>
#include <string>

#include <windows.h>

namespace lumicap::platform {

// The path in the form the wide Win32 calls take without the 260-character
// limit: absolute, backslashes only, with the \\?\ (or \\?\UNC\) prefix.
std::wstring extendedPath(const std::filesystem::path &path);

// Facts about an open handle, in the shape the rest of the layer uses.
struct HandleFacts
{
    BY_HANDLE_FILE_INFORMATION info{};
    DWORD type = FILE_TYPE_UNKNOWN;
};
bool handleFacts(HANDLE handle, HandleFacts &facts);

inline HANDLE asHandle(std::intptr_t h)
{
    return reinterpret_cast<HANDLE>(h);
}

} // namespace lumicap::platform
