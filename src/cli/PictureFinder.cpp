#include "cli/PictureFinder.h"

#include "cli/ConsoleOutput.h"
#include "metadata/ImageList.h"
#include "metadata/PathOps.h"
#include "resources/StringTable.h"

#include <QList>

#include "platform/FolderListing.h"
#include "platform/NativePath.h"

#include <algorithm>
#include <filesystem>

namespace lumicap {

namespace {
// Sub-folders to walk: not hidden, not a save's "_~" name, not a link (a
// link could lead back up and never end).
std::vector<QByteArray> subFolders(const QByteArray &folder, bool &readable)
{
    std::vector<QByteArray> found;
    std::vector<platform::FolderEntry> entries;
    readable = platform::listFolder(platform::pathFromBytes({folder.constData(), static_cast<std::size_t>(folder.size())}), entries);
    for (const platform::FolderEntry &entry : entries) {
        const QByteArray name = QByteArray::fromStdString(entry.name);
        if (entry.folder && !entry.hidden && !name.startsWith("_~"))
            found.push_back(joinPath(folder, name));
    }
    std::sort(found.begin(), found.end(), [](const QByteArray &a, const QByteArray &b) { return compareImagePaths(a, b) < 0; });
    return found;
}
} // namespace

void PictureFinder::add(const QByteArray &argument)
{
    std::error_code error;
    if (std::filesystem::is_directory(platform::pathFromBytes({argument.constData(), static_cast<std::size_t>(argument.size())}), error))
        addFolder(argument, argument);
    else
        pictures_.push_back({argument, fileNamePart(argument)});
}

void PictureFinder::addFolder(const QByteArray &root, const QByteArray &folder)
{
    bool readable = false;
    const std::vector<QByteArray> folders = subFolders(folder, readable);
    if (!readable) {
        ++failures_;
        printError(formatString(IDS_CLI_CANNOT_READ, shownText(folder).toUtf8().constData()));
        return;
    }
    const qsizetype rootLength = joinPath(root, QByteArray()).size();
    for (const QByteArray &path : ImageList::listImages(folder))
        pictures_.push_back({path, path.mid(rootLength)});
    if (recursive_) {
        for (const QByteArray &sub : folders)
            addFolder(root, sub);
    }
}

void PictureFinder::addNameList(const QByteArray &listFile)
{
    QByteArray bytes;
    if (!readInput(listFile, bytes)) {
        ++failures_;
        printError(formatString(IDS_CLI_CANNOT_READ, shownText(listFile).toUtf8().constData()));
        return;
    }
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    for (QByteArray line : bytes.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            add(line);
    }
}

} // namespace lumicap
