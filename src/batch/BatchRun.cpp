#include "BatchRun.h"

#include "FileBytes.h"
#include "MetadataReader.h"
#include "MetadataWriter.h"
#include "NativePath.h"
#include "PathOps.h"
#include "SafeSave.h"
#include "StatusReasons.h"
#include "StringTable.h"
#include "TextEncoding.h"
#include "UserPrompt.h"

#include <algorithm>
#include <cctype>
#include <new>

namespace lumicap {

bool ParseListFile(const QByteArray &path, BatchList &list, ImageStatus *status)
{
    list.clear();
    ListFileReader reader;
    ImageStatus result = reader.open(path);
    if (result == ImageStatus::Ok) {
        try {
            ListEntry entry;
            while (reader.next(entry))
                list.push_back(entry);
            result = reader.status() == ImageStatus::OutOfMemory ? ImageStatus::OutOfMemory : ImageStatus::Ok;
        } catch (const std::bad_alloc &) {
            result = ImageStatus::OutOfMemory;
        }
        if (result == ImageStatus::OutOfMemory)
            BatchList().swap(list); // the memory back, for the message
    }
    if (status)
        *status = result;
    // A read error part-way keeps what was read.
    return result == ImageStatus::Ok;
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
            if (!platform::nameUsableHere(part.toStdString()))
                return std::nullopt; // a name Windows cannot hold: never created
            ++depth;
        }
    }
    return folder + relative;
}

std::optional<QByteArray> findImageFor(const QByteArray &folder, const QByteArray &name)
{
    const auto path = imagePathFor(folder, name);
    FileStamp stamp;
    const auto exists = [&stamp](const QByteArray &p) { return statFile(p, stamp) == ImageStatus::Ok; };
    if (!path || isUtf8(name) || exists(*path))
        return path;
    std::optional<QByteArray> found;
    for (const CodePage page : {CodePage::Windows1252, CodePage::Oem850}) {
        const auto candidate = imagePathFor(folder, fromCodePage(name, page).toUtf8());
        if (!candidate || candidate == found || !exists(*candidate))
            continue;
        if (found)
            return path; // ambiguous: as missing as the name itself
        found = candidate;
    }
    return found ? found : path;
}

QString BatchRun::message(int formatId, ImageStatus status, const QByteArray &path) const
{
    return explain_ ? statusMessage(formatId, statusNumber(status), displayText(path))
                    : formatString(formatId, statusNumber(status), displayText(path).toUtf8().constData());
}

QString BatchRun::untouchedMessage(const BatchSummary &summary)
{
    constexpr std::size_t listed = 10; // a message box, not a log
    const auto count = summary.untouched.size();
    if (count == 0)
        return {};
    QString text = loadString(IDS_BATCH_COPIES_UNTOUCHED);
    for (std::size_t i = 0; i < std::min(count, listed); ++i) {
        QByteArray names;
        for (const QByteArray &where : summary.untouched[i].copies)
            names += (names.isEmpty() ? "" : ", ") + where;
        text += '\n' + formatString(IDS_COPY_LINE, displayText(summary.untouched[i].path).toUtf8().constData(), names.constData());
    }
    if (count > listed)
        text += '\n' + formatString(IDS_BATCH_MORE, static_cast<int>(count - listed));
    return text;
}

BatchRun::Outcome BatchRun::askToGoOn(ImageStatus status, const QByteArray &imagePath)
{
    const QString question = message(IDS_LOAD_ERROR_CONTINUE, status, imagePath);
    return prompt_.askYesNo(question) ? Outcome::Skipped : Outcome::Stopped;
}

void BatchRun::reportOutOfMemory(int messageId, const QByteArray &path)
{
    try {
        prompt_.showMessage(message(messageId, ImageStatus::OutOfMemory, path));
    } catch (const std::bad_alloc &) {
        // Not even the message fits; the summary still says what happened.
    }
}

BatchRun::Outcome BatchRun::processImage(const QByteArray &imagePath, const QByteArray &description, const BatchOptions &options,
                                         int &stage, std::vector<QByteArray> *untouched)
{
    ImageStatus status;
    const auto image = OpenImageFile(imagePath, status);
    if (status == ImageStatus::OutOfMemory) {
        reportOutOfMemory(stage, imagePath);
        return Outcome::OutOfMemory;
    }
    if (status != ImageStatus::Ok)
        return askToGoOn(status, imagePath);
    stage = IDS_SAVE_ERROR;
    WriteMetadata(*image, {description, options.artist.value_or(QByteArray()), options.copyright.value_or(QByteArray())},
                  {true, options.artist.has_value(), options.copyright.has_value()}, options.removeAllExif,
                  options.allCopies);
    status = SaveImageFile(*image, imagePath);
    if (status == ImageStatus::OutOfMemory) {
        reportOutOfMemory(stage, imagePath);
        return Outcome::OutOfMemory;
    }
    if (status != ImageStatus::Ok) {
        prompt_.showMessage(message(IDS_SAVE_ERROR, status, imagePath));
        return Outcome::SaveFailed;
    }
    if (untouched)
        *untouched = image->untouchedCopies();
    return Outcome::Saved;
}

BatchRun::Outcome BatchRun::ProcessBatchImage(const QByteArray &imagePath, const QByteArray &description, const BatchOptions &options,
                                              std::vector<QByteArray> *untouched)
{
    int stage = IDS_LOAD_ERROR;
    try {
        return processImage(imagePath, description, options, stage, untouched);
    } catch (const std::bad_alloc &) {
        reportOutOfMemory(stage, imagePath);
        return Outcome::OutOfMemory;
    }
}

template <typename NextEntry>
BatchSummary BatchRun::run(std::int64_t count, NextEntry next, const QByteArray &listPath, const BatchOptions &options)
{
    BatchSummary summary;
    const QByteArray folder = SplitPath(listPath).folder;
    progress_.open();
    ListEntry entry;
    for (std::int64_t k = 1;; ++k) {
        Outcome outcome = Outcome::OutOfMemory;
        try {
            if (!next(entry))
                break;
            if (progress_.cancelled()) {
                summary.cancelled = true;
                break;
            }
            progress_.update(displayText(entry.name), static_cast<int>(100 * k / std::max(count, k)));
            const auto path = findImageFor(folder, entry.name);
            std::vector<QByteArray> untouched;
            outcome = path ? ProcessBatchImage(*path, utf8FromList(entry.description), options, &untouched)
                           : askToGoOn(ImageStatus::AccessDenied, folder + entry.name);
            if (outcome == Outcome::Saved && !untouched.empty())
                summary.untouched.push_back({*path, std::move(untouched)});
        } catch (const std::bad_alloc &) {
            reportOutOfMemory(IDS_LOAD_ERROR, folder + entry.name);
        }
        if (outcome == Outcome::Saved)
            ++summary.saved;
        else if (outcome == Outcome::Skipped)
            ++summary.skipped;
        else {
            ++summary.failed;
            if (outcome == Outcome::OutOfMemory)
                summary.status = ImageStatus::OutOfMemory;
            break;
        }
        progress_.afterImage();
    }
    progress_.close();
    return summary;
}

BatchSummary BatchRun::RunBatch(const BatchList &list, const QByteArray &listPath, const BatchOptions &options)
{
    std::size_t k = 0;
    const auto next = [&](ListEntry &entry) {
        if (k == list.size())
            return false;
        entry = list[k++];
        return true;
    };
    return run(static_cast<std::int64_t>(list.size()), next, listPath, options);
}

BatchSummary BatchRun::RunBatch(ListFileReader &list, const QByteArray &listPath, const BatchOptions &options)
{
    const std::int64_t count = list.countEntries();
    BatchSummary summary = run(count, [&](ListEntry &entry) { return list.next(entry); }, listPath, options);
    if (list.status() == ImageStatus::OutOfMemory && summary.status == ImageStatus::Ok) {
        reportOutOfMemory(IDS_LIST_READ_ERROR, listPath);
        summary.status = ImageStatus::OutOfMemory;
        ++summary.failed;
    }
    return summary;
}

} // namespace lumicap
