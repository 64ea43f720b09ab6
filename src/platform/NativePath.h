#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace lumicap::platform {

// The program keeps paths as bytes: on POSIX the file system's own bytes, on
// Windows UTF-8. These turn them into paths and back.
std::filesystem::path pathFromBytes(std::string_view bytes);
std::string bytesFromPath(const std::filesystem::path &path);

// "_~" + the file name, in the file's own folder: where a save writes the
// new file before it replaces the old one.
std::filesystem::path temporarySibling(const std::filesystem::path &path);

// Whether a name may be created on Windows: not a reserved device name (CON,
// PRN, AUX, NUL, COM1-9, LPT1-9, with or without an extension), no trailing
// dot or space, none of <>:"|?* and no control characters.
bool isWindowsName(std::string_view name);

// A name given in a list file may be used here: on Windows, isWindowsName;
// elsewhere any name.
bool nameUsableHere(std::string_view name);

} // namespace lumicap::platform
