#include "platform/NativePath.h"

#include <algorithm>
#include <cctype>

#ifdef _WIN32
#include <windows.h>
#endif

namespace lumicap::platform {

std::filesystem::path pathFromBytes(std::string_view bytes)
{
#ifdef _WIN32
    // Bytes that are not UTF-8 (a name from a list in an old code page, tried
    // as it stands) become U+FFFD, a name no file has, instead of the
    // exception std::filesystem::u8path throws for them.
    if (bytes.empty())
        return {};
    const int size = static_cast<int>(bytes.size());
    std::wstring wide(MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, nullptr, 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), size, wide.data(), static_cast<int>(wide.size()));
    return std::filesystem::path(std::move(wide));
#else
    return std::filesystem::path(std::string(bytes));
#endif
}

std::string bytesFromPath(const std::filesystem::path &path)
{
#ifdef _WIN32
    return path.u8string();
#else
    return path.native();
#endif
}

std::filesystem::path temporarySibling(const std::filesystem::path &path)
{
    // Replacing the name keeps the folder part as written, separator and all.
    std::filesystem::path name("_~");
    name += path.filename();
    return std::filesystem::path(path).replace_filename(name);
}

bool isWindowsName(std::string_view name)
{
    if (name.empty() || name.back() == '.' || name.back() == ' ')
        return false;
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 32 || std::string_view("<>:\"|?*/\\").find(c) != std::string_view::npos)
            return false;
    }
    // The device names are reserved with any extension, in any case.
    std::string stem(name.substr(0, name.find('.')));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    std::transform(stem.begin(), stem.end(), stem.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    for (const char *reserved : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
        if (stem == reserved)
            return false;
    }
    const bool numbered = stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0);
    return !(numbered && stem[3] >= '1' && stem[3] <= '9');
}

bool nameUsableHere(std::string_view name)
{
#ifdef _WIN32
    return isWindowsName(name);
#else
    (void)name;
    return true;
#endif
}

} // namespace lumicap::platform
