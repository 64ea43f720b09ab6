#include "metadata/ImageList.h"

#include "platform/FolderListing.h"
#include "platform/NativePath.h"
#include "metadata/PathOps.h"
#include "imaging/RawFiles.h"

#include <algorithm>
#include <cstring>
#include <system_error>

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

// Names pictures we caption go by; what each holds is told from its bytes
// when it is opened. A raw file's sidecar is not one.
bool hasImageExtension(const char *name)
{
    static const char *const extensions[] = {".jpg", ".jpeg", ".tif", ".tiff", ".dng", ".png", ".webp", ".heic", ".heif", ".avif"};
    const std::size_t length = std::strlen(name);
    return std::any_of(std::begin(extensions), std::end(extensions), [&](const char *e) { return endsWithNoCase(name, length, e); })
        || RawFiles::hasRawExtension(QByteArray(name));
}

} // namespace

int compareImagePaths(const QByteArray &a, const QByteArray &b)
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
    std::error_code error;
    if (!std::filesystem::exists(platform::pathFromBytes(folderText.toStdString()), error))
        return FolderCheck::Missing;
    return FolderCheck::Ok;
}

std::vector<QByteArray> ImageList::listImages(const QByteArray &folderText)
{
    std::vector<QByteArray> found;
    std::vector<platform::FolderEntry> entries;
    if (!platform::listFolder(platform::pathFromBytes(folderText.toStdString()), entries))
        return found;
    const QByteArray prefix = joinPath(folderText, QByteArray());
    for (const platform::FolderEntry &entry : entries) {
        const char *name = entry.name.c_str();
        if (entry.hidden || !entry.regular || !hasImageExtension(name))
            continue;
        if (name[0] == '_' && name[1] == '~')
            continue; // a save's temporary file, never an image of its own
        found.push_back(prefix + QByteArray::fromStdString(entry.name));
    }
    std::sort(found.begin(), found.end(), [](const QByteArray &a, const QByteArray &b) { return compareImagePaths(a, b) < 0; });
    return found;
}

} // namespace lumicap
