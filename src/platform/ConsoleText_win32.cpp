#include "platform/ConsoleText.h"

#include <windows.h>

#include <io.h>

#include <algorithm>
#include <string>

namespace lumicap::platform {

bool writeConsoleText(std::FILE *stream, std::string_view utf8)
{
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || !::GetConsoleMode(handle, &mode))
        return false;
    std::wstring text;
    if (!utf8.empty()) {
        const int size = static_cast<int>(utf8.size());
        text.resize(static_cast<std::size_t>(::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0)));
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, text.data(), static_cast<int>(text.size()));
    }
    // What the C library still holds for this stream goes first.
    std::fflush(stream);
    // Older consoles refuse a write of more than 64 KB; a piece never ends
    // between the two halves of a surrogate pair.
    constexpr std::size_t pieceLimit = 8192;
    std::size_t done = 0;
    while (done < text.size()) {
        std::size_t piece = std::min(pieceLimit, text.size() - done);
        if (piece > 1 && done + piece < text.size() && IS_HIGH_SURROGATE(text[done + piece - 1]))
            --piece;
        DWORD written = 0;
        if (!::WriteConsoleW(handle, text.data() + done, static_cast<DWORD>(piece), &written, nullptr) || written == 0)
            break;
        done += written;
    }
    // Nothing taken at all: the caller's bytes may still get through.
    return done > 0 || text.empty();
}

} // namespace lumicap::platform
