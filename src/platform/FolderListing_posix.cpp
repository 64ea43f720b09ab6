#include "platform/FolderListing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace lumicap::platform {

bool listFolder(const std::filesystem::path &folder, std::vector<FolderEntry> &entries)
{
    entries.clear();
    DIR *dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return false;
    const int dirFd = ::dirfd(dir);
    while (const dirent *entry = ::readdir(dir)) {
        const char *name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        bool regular = entry->d_type == DT_REG;
        bool folder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat st
            {};
            regular = ::fstatat(dirFd, name, &st, 0) == 0 && S_ISREG(st.st_mode); // a link counts by its target
            folder = entry->d_type == DT_UNKNOWN && ::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
        }
        entries.push_back({name, regular, name[0] == '.', folder});
    }
    ::closedir(dir);
    return true;
}

} // namespace lumicap::platform
