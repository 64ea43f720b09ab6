#include "BatchRun.h"

#include "FileBytes.h"
#include "MetadataReader.h"
#include "MetadataWriter.h"
#include "PathOps.h"
#include "SafeSave.h"
#include "StringTable.h"
#include "TextEncoding.h"
#include "UserPrompt.h"

#include <cctype>

namespace lumicap {

bool ParseListFile(const QByteArray &path, BatchList &list)
{
    list.clear();
    QByteArray file;
    FileStamp stamp;
    // A read error part-way keeps what was read; what kept the file from
    // being opened at all (missing, no access, not a regular file) fails.
    if (readFileBytes(path, file, &stamp) != ImageStatus::Ok && stamp.inode == 0)
        return false;
    list = ListFileParser::parse(file);
    return true;
}

SplitParts SplitPath(const QByteArray &path)
{
    const qsizetype drive = path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' ? 2 : 0;
    const QByteArray folder = path.left(drive) + DirectoryPart(path.mid(drive));
    return {folder, path.mid(folder.size())};
}

std::optional<QByteArray> imagePathFor(const QByteArray &folder, const QByteArray &name)
{
    QByteArray relative = name;
    relative.replace('\\', '/'); // lists come from Windows tools
    const bool drive = relative.size() >= 2 && std::isalpha(static_cast<unsigned char>(relative[0])) && relative[1] == ':';
    if (relative.startsWith('/') || drive)
        return std::nullopt;
    int depth = 0;
    for (const QByteArray &part : relative.split('/')) {
        if (part == "..") {
            if (--depth < 0)
                return std::nullopt;
        } else if (!part.isEmpty() && part != ".") {
            ++depth;
        }
    }
    return folder + relative;
}

BatchRun::Outcome BatchRun::askToGoOn(ImageStatus status, const QByteArray &imagePath)
{
    const QString question = formatString(IDS_LOAD_ERROR_CONTINUE, statusNumber(status), displayText(imagePath).toUtf8().constData());
    return prompt_.askYesNo(question) ? Outcome::Skipped : Outcome::Stopped;
}

BatchRun::Outcome BatchRun::ProcessBatchImage(const QByteArray &imagePath, const QByteArray &description, const BatchOptions &options)
{
    ImageStatus status;
    const auto image = OpenImageFile(imagePath, status);
    if (status != ImageStatus::Ok)
        return askToGoOn(status, imagePath);
    WriteMetadata(*image, {description, options.artist.value_or(QByteArray()), options.copyright.value_or(QByteArray())},
                  {true, options.artist.has_value(), options.copyright.has_value()}, options.removeAllExif);
    status = SaveImageFile(*image, imagePath);
    if (status != ImageStatus::Ok) {
        prompt_.showMessage(formatString(IDS_SAVE_ERROR, statusNumber(status), displayText(imagePath).toUtf8().constData()));
        return Outcome::SaveFailed;
    }
    return Outcome::Saved;
}

BatchSummary BatchRun::RunBatch(const BatchList &list, const QByteArray &listPath, const BatchOptions &options)
{
    BatchSummary summary;
    const QByteArray folder = SplitPath(listPath).folder;
    progress_.open();
    const auto n = static_cast<long long>(list.size());
    for (long long k = 1; k <= n; ++k) {
        if (progress_.cancelled()) {
            summary.cancelled = true;
            break;
        }
        const ListEntry &entry = list[static_cast<std::size_t>(k - 1)];
        progress_.update(displayText(entry.name), static_cast<int>(100 * k / n));
        const auto path = imagePathFor(folder, entry.name);
        const Outcome outcome = path ? ProcessBatchImage(*path, entry.description, options)
                                     : askToGoOn(ImageStatus::AccessDenied, folder + entry.name);
        if (outcome == Outcome::Saved)
            ++summary.saved;
        else if (outcome == Outcome::Skipped)
            ++summary.skipped;
        else {
            ++summary.failed;
            break;
        }
        progress_.afterImage();
    }
    progress_.close();
    return summary;
}

} // namespace lumicap
