#include "ImageList.h"

#include "PathOps.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumicap {

namespace {
unsigned char folded(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u + ('a' - 'A')) : u;
}

bool endsWithNoCase(const char *name, std::size_t length, const char *suffix)
{
    const std::size_t n = std::strlen(suffix);
    if (length <= n)
        return false;
    for (std::size_t i = 0; i < n; ++i) {
        if (folded(name[length - n + i]) != static_cast<unsigned char>(suffix[i]))
            return false;
    }
    return true;
}

bool hasImageExtension(const char *name)
{
    const std::size_t length = std::strlen(name);
    return endsWithNoCase(name, length, ".jpg") || endsWithNoCase(name, length, ".jpeg") || endsWithNoCase(name, length, ".tif")
           || endsWithNoCase(name, length, ".tiff");
}

class Directory
{
public:
    explicit Directory(const QByteArray &path) : dir_(::opendir(path.isEmpty() ? "." : path.constData())) {}
    ~Directory()
    {
        if (dir_)
            ::closedir(dir_);
    }
    Directory(const Directory &) = delete;
    Directory &operator=(const Directory &) = delete;
    DIR *get() const { return dir_; }

private:
    DIR *dir_;
};
} // namespace

int CompareImagePaths(const QByteArray &a, const QByteArray &b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned char x = folded(a[i]);
        const unsigned char y = folded(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

FolderCheck checkFolder(const QByteArray &folderText)
{
    if (folderText.isEmpty())
        return FolderCheck::Empty;
    if (::access(folderText.constData(), F_OK) != 0)
        return FolderCheck::Missing;
    return FolderCheck::Ok;
}

std::vector<QByteArray> ImageList::listImages(const QByteArray &folderText)
{
    std::vector<QByteArray> found;
    Directory dir(folderText);
    if (!dir.get())
        return found;
    const int dirFd = ::dirfd(dir.get());
    const QByteArray prefix = JoinPath(folderText, QByteArray());
    while (const dirent *entry = ::readdir(dir.get())) {
        const char *name = entry->d_name;
        if (name[0] == '.' || !hasImageExtension(name))
            continue; // hidden files, "." and ".." included
        if (name[0] == '_' && name[1] == '~')
            continue; // a save's temporary file, never an image of its own
        bool regular = entry->d_type == DT_REG;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat st {};
            regular = ::fstatat(dirFd, name, &st, 0) == 0 && S_ISREG(st.st_mode); // a link counts by its target
        }
        if (regular)
            found.push_back(prefix + name);
    }
    std::sort(found.begin(), found.end(), [](const QByteArray &a, const QByteArray &b) { return CompareImagePaths(a, b) < 0; });
    return found;
}

int ImageList::Scan(const QByteArray &folderText)
{
    std::vector<QByteArray> found = listImages(folderText);
    const int n = static_cast<int>(found.size());
    if (n > 0)
        entries_ = std::move(found);
    return n;
}

} // namespace lumicap
