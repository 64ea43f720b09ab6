#pragma once

#include <cstdio>
#include <string_view>

namespace lumicap::platform {

// Writes UTF-8 text to stream when stream is a console and returns true; a
// Windows console takes it as UTF-16 (WriteConsoleW), so it reads right
// whatever the console's code page. False when stream is a file, a pipe or
// (on POSIX, always) a terminal that takes bytes: the caller writes the
// bytes itself.
bool writeConsoleText(std::FILE *stream, std::string_view utf8);

} // namespace lumicap::platform
