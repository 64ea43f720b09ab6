#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace lumicap::platform {

struct FolderEntry
{
    std::string name;     // the file system's bytes on POSIX, UTF-8 on Windows
    bool regular = false; // a regular file, or a link to one
    bool hidden = false;  // POSIX: a leading dot; Windows: the hidden or system attribute
    bool folder = false;  // a folder itself, not a link to one
};

// The entries of one folder, "." and ".." left out, in the order the
// system gives them. False when the folder cannot be read.
//  - POSIX: readdir, a link or an entry of unknown type looked at by its
//    target (fstatat).
//  - Windows: FindFirstFileExW(FindExInfoBasic, FIND_FIRST_EX_LARGE_FETCH).
bool listFolder(const std::filesystem::path &folder, std::vector<FolderEntry> &entries);

} // namespace lumicap::platform
