#include "batch/BatchRun.h"

#include "imaging/FileBytes.h"
#include "metadata/Journal.h"
#include "metadata/MetadataReader.h"
#include "metadata/MetadataWriter.h"
#include "platform/NativePath.h"
#include "metadata/PathOps.h"
#include "metadata/SafeSave.h"
#include "resources/StatusReasons.h"
#include "resources/StringTable.h"
#include "metadata/TextEncoding.h"
#include "widgets/UserPrompt.h"

#include <algorithm>
#include <cctype>
#include <new>

namespace lumicap {

SplitParts splitPath(const QByteArray &path)
{
    const qsizetype drive = path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' ? 2 : 0;
    const QByteArray folder = path.left(drive) + directoryPart(path.mid(drive));
    return {folder, path.mid(folder.size())};
}

std::optional<QByteArray> imagePathFor(const QByteArray &folder, const QByteArray &name, ImageStatus *refusal)
{
    const auto refuse = [refusal](ImageStatus why) {
        if (refusal)
            *refusal = why;
        return std::nullopt;
    };
    QByteArray relative = name;
    relative.replace('\\', '/'); // lists come from Windows tools
    const bool drive = relative.size() >= 2 && std::isalpha(static_cast<unsigned char>(relative[0])) && relative[1] == ':';
    if (relative.startsWith('/') || drive)
        return refuse(ImageStatus::AccessDenied);
    int depth = 0;
    for (const QByteArray &part : relative.split('/')) {
        if (part == "..") {
            if (--depth < 0)
                return refuse(ImageStatus::AccessDenied);
        } else if (!part.isEmpty() && part != ".") {
            if (!platform::nameUsableHere(part.toStdString()))
                return refuse(ImageStatus::FileNotFound); // a name Windows cannot hold: never created
            ++depth;
        }
    }
    return folder + relative;
}

std::optional<QByteArray> findImageFor(const QByteArray &folder, const QByteArray &name, ImageStatus *refusal)
{
    const auto path = imagePathFor(folder, name, refusal);
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

QString BatchRun::message(int formatId, ImageStatus status, const QByteArray &path, int reasonId) const
{
    if (reasonId != 0)
        return statusMessage(formatId, statusNumber(status), displayPath(path), loadString(reasonId));
    return explain_ ? statusMessage(formatId, statusNumber(status), displayPath(path))
                    : formatString(formatId, statusNumber(status), displayPath(path).toUtf8().constData());
}

QString BatchRun::summaryLine(const BatchSummary &summary)
{
    QString line = formatString(IDS_BATCH_SUMMARY, summary.saved, summary.skipped, summary.failed);
    if (summary.notReached > 0)
        line += formatString(IDS_BATCH_NOT_REACHED, summary.notReached);
    return line;
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
        text += '\n' + formatString(IDS_COPY_LINE, displayPath(summary.untouched[i].path).toUtf8().constData(), names.constData());
    }
    if (count > listed)
        text += '\n' + formatString(IDS_BATCH_MORE, static_cast<int>(count - listed));
    return text;
}

BatchRun::Outcome BatchRun::fail(int messageId, ImageStatus status, const QByteArray &path)
{
    try {
        prompt_.showMessage(message(messageId, status, path));
    } catch (const std::bad_alloc &) {
        // Not even the message fits; the summary still says what happened.
    }
    if (status == ImageStatus::OutOfMemory)
        summary_.status = status;
    ++summary_.failed;
    return Outcome::Ended;
}

bool BatchRun::saveInHand()
{
    while (!inHand_.empty()) {
        if (!commitInHand())
            return false;
    }
    return true;
}

bool BatchRun::commitInHand()
{
    const SaveGroup::Result done = inHand_.commit();
    summary_.saved += done.saved;
    // (The last picture in hand may lack its line, when memory ran out.)
    const std::size_t saved = std::min<std::size_t>(done.saved, held_.size());
    for (std::size_t i = 0; i < saved; ++i) {
        if (!held_[i].untouched.empty())
            summary_.untouched.push_back({held_[i].path, std::move(held_[i].untouched)});
    }
    // The ones after a picture that failed are as they were.
    std::vector<Held> rest(std::make_move_iterator(held_.begin() + static_cast<std::ptrdiff_t>(std::min(saved + 1, held_.size()))),
                           std::make_move_iterator(held_.end()));
    held_.clear();
    if (done.status == ImageStatus::Ok)
        return true;
    if (done.status == ImageStatus::OutOfMemory) {
        fail(IDS_SAVE_ERROR, done.status, done.failedPath);
    } else {
        ++summary_.failed;
        if (prompt_.askYesNo(message(IDS_SAVE_ERROR_CONTINUE, done.status, done.failedPath))) {
            for (std::size_t i = 0; i < rest.size(); ++i) {
                const Outcome outcome = processPicture(rest[i].path, rest[i].edit, rest[i].position);
                if (outcome == Outcome::Ended) {
                    summary_.notReached += static_cast<int>(rest.size() - i - 1);
                    return false;
                }
                summary_.skipped += outcome == Outcome::Skipped;
            }
            return true;
        }
    }
    summary_.notReached += static_cast<int>(rest.size());
    return false;
}

BatchRun::Outcome BatchRun::endRun(int messageId, ImageStatus status, const QByteArray &path)
{
    return saveInHand() ? fail(messageId, status, path) : Outcome::Ended;
}

BatchRun::Outcome BatchRun::askToGoOn(const QString &question, bool failed)
{
    // What came before is saved first; nothing after it before the answer.
    if (!saveInHand())
        return Outcome::Ended;
    const bool goOn = prompt_.askYesNo(question);
    if (goOn && !failed)
        return Outcome::Skipped;
    ++summary_.failed;
    return goOn ? Outcome::Failed : Outcome::Ended;
}

BatchRun::Outcome BatchRun::processImage(const QByteArray &imagePath, const EditFor &edit, int position, int &stage)
{
    // A picture named again is read as the save in hand leaves it.
    if (inHand_.holds(imagePath) && !saveInHand())
        return Outcome::Ended;
    ImageStatus status;
    const auto image = openImageFile(imagePath, status);
    if (status == ImageStatus::OutOfMemory)
        return endRun(stage, status, imagePath);
    if (status != ImageStatus::Ok) {
        const int reason = status == ImageStatus::FileNotFound ? IDS_REASON_NO_SUCH_FILE : 0;
        return askToGoOn(message(IDS_LOAD_ERROR_CONTINUE, status, imagePath, reason));
    }
    stage = IDS_SAVE_ERROR;
    const BatchOptions &options = *options_;
    const PatternSubject subject = PatternSubject::of(*image, imagePath, position);
    const PictureEdit change = edit(subject);
    // Nothing asked of this picture (no match of a replace, a field that is
    // not empty for an apply): it is neither saved nor counted.
    if (!change.which.any() && !options.removeAllExif)
        return Outcome::Untouched;
    writeMetadata(*image, change.fields, change.which, options.removeAllExif, options.allCopies);
    if (dryRun_)
        return planPicture(*image, imagePath, subject.fields, change);
    status = inHand_.add(*image, imagePath);
    if (status == ImageStatus::OutOfMemory)
        return endRun(IDS_SAVE_ERROR, status, imagePath);
    if (status != ImageStatus::Ok)
        return askToGoOn(message(IDS_SAVE_ERROR_CONTINUE, status, imagePath), true);
    held_.push_back({imagePath, edit, position, image->untouchedCopies()});
    return inHand_.full() && !saveInHand() ? Outcome::Ended : Outcome::InHand;
}

BatchRun::Outcome BatchRun::planPicture(ImageHolder &image, const QByteArray &imagePath, const MetadataFields &before, const PictureEdit &edit)
{
    const ImageStatus status = checkImageSave(image, imagePath);
    if (status == ImageStatus::OutOfMemory)
        return endRun(IDS_SAVE_ERROR, status, imagePath);
    if (status != ImageStatus::Ok)
        return askToGoOn(message(IDS_SAVE_ERROR_CONTINUE, status, imagePath), true);
    for (const TagField field : allTagFields) {
        const QByteArray &old = fieldText(before, field);
        const QByteArray &now = fieldText(edit.fields, field);
        if (isSelected(edit.which, field) && now != old)
            summary_.planned.push_back({imagePath, field, old, now, {}, {}});
    }
    ++summary_.saved;
    return Outcome::InHand;
}

BatchRun::Outcome BatchRun::processPicture(const QByteArray &imagePath, const EditFor &edit, int position)
{
    int stage = IDS_LOAD_ERROR;
    try {
        return processImage(imagePath, edit, position, stage);
    } catch (const std::bad_alloc &) {
        return endRun(stage, ImageStatus::OutOfMemory, imagePath);
    }
}

BatchRun::Outcome BatchRun::processEntry(const ListEntry &entry, const QByteArray &folder, int position)
{
    const QString line = displayText(entry.name);
    switch (entry.fault) {
    case LineFault::NoName: return askToGoOn(formatString(IDS_LIST_LINE_NO_NAME, line.toUtf8().constData()));
    case LineFault::UnclosedQuote: return askToGoOn(formatString(IDS_LIST_LINE_UNCLOSED, line.toUtf8().constData()));
    case LineFault::None: break;
    }
    ImageStatus refusal = ImageStatus::AccessDenied;
    if (const auto path = findImageFor(folder, entry.name, &refusal)) {
        QString error;
        const auto description = CaptionPattern::parse(utf8FromList(entry.description), error); // checked before the run
        const EditFor edit = [this, description = description.value_or(CaptionPattern())](const PatternSubject &subject) {
            PictureEdit edit{{description.expand(subject), {}, {}}, {true, artist_.has_value(), copyright_.has_value()}};
            if (artist_)
                edit.fields.artist = artist_->expand(subject);
            if (copyright_)
                edit.fields.copyright = copyright_->expand(subject);
            return edit;
        };
        return processPicture(*path, edit, position);
    }
    const int reason = refusal == ImageStatus::AccessDenied ? IDS_REASON_OUTSIDE_FOLDER : IDS_REASON_NO_SUCH_FILE;
    return askToGoOn(message(IDS_LOAD_ERROR_CONTINUE, refusal, entry.name, reason));
}

bool BatchRun::checkPatterns(const BatchOptions &options, const std::function<bool(ListEntry &)> &next, const QByteArray &listPath)
{
    QString error;
    const auto parsed = [&error](const std::optional<QByteArray> &text, std::optional<CaptionPattern> &pattern) {
        pattern.reset();
        if (text)
            pattern = CaptionPattern::parse(*text, error);
        return !text || pattern;
    };
    bool ok = parsed(options.artist, artist_) && parsed(options.copyright, copyright_);
    for (ListEntry entry; ok && next(entry);) {
        const bool braces = entry.description.contains('{') || entry.description.contains('}');
        if (braces && entry.fault == LineFault::None && !CaptionPattern::parse(utf8FromList(entry.description), error)) {
            error = formatString(IDS_PATTERN_IN_LIST, displayPath(listPath).toUtf8().constData(), displayText(entry.name).toUtf8().constData(),
                                 error.toUtf8().constData());
            ok = false;
        }
    }
    if (!ok) {
        summary_ = BatchSummary();
        summary_.failed = 1;
        prompt_.showMessage(error);
    }
    return ok;
}

template <typename Process>
BatchSummary BatchRun::run(std::int64_t count, Process process, const BatchOptions &options)
{
    summary_ = BatchSummary();
    const Journal::Run journalRun; // the run's saves can be undone together
    summary_.run = journalRun.id();
    options_ = &options;
    progress_.begin();
    std::int64_t reached = 0;
    for (std::int64_t k = 1;; ++k) {
        Outcome outcome = Outcome::Ended;
        QByteArray where;
        try {
            // name as the progress shows it, where for a message.
            const auto announce = [&](const QByteArray &name, const QByteArray &path) {
                where = path;
                if (progress_.cancelled()) {
                    summary_.cancelled = true;
                    return false;
                }
                ++reached;
                progress_.showImage(displayText(name), static_cast<int>(100 * k / std::max(count, k)));
                return true;
            };
            if (!process(static_cast<int>(k), announce, outcome))
                break;
        } catch (const std::bad_alloc &) {
            outcome = endRun(IDS_LOAD_ERROR, ImageStatus::OutOfMemory, where);
        }
        if (outcome == Outcome::Ended)
            break;
        if (outcome == Outcome::Skipped)
            ++summary_.skipped;
        progress_.afterImage();
    }
    // The pictures in hand when the list ends or Cancel is pressed.
    saveInHand();
    summary_.notReached += static_cast<int>(std::max<std::int64_t>(0, count - reached));
    progress_.end();
    options_ = nullptr;
    return summary_;
}

BatchSummary BatchRun::runListFile(ListFileReader &list, const QByteArray &listPath, const BatchOptions &options)
{
    const std::int64_t count = list.countEntries();
    const auto next = [&](ListEntry &entry) { return list.next(entry); };
    const bool checked = checkPatterns(options, next, listPath);
    list.rewind();
    if (!checked) {
        // The entry (or the batch's text) in error is the one failed.
        summary_.notReached = static_cast<int>(std::max<std::int64_t>(0, count - 1));
        return summary_;
    }
    runList(count, next, listPath, options);
    if (list.status() == ImageStatus::OutOfMemory && summary_.status == ImageStatus::Ok)
        fail(IDS_LIST_READ_ERROR, ImageStatus::OutOfMemory, listPath);
    return summary_;
}

template <typename NextEntry>
BatchSummary BatchRun::runList(std::int64_t count, NextEntry next, const QByteArray &listPath, const BatchOptions &options)
{
    const QByteArray folder = splitPath(listPath).folder;
    ListEntry entry;
    return run(
        count,
        [&](int k, const auto &announce, Outcome &outcome) {
            if (!next(entry) || !announce(entry.name, folder + entry.name))
                return false;
            outcome = processEntry(entry, folder, k);
            return true;
        },
        options);
}

BatchSummary BatchRun::runPictures(const std::vector<QByteArray> &paths, const EditFor &edit, const BatchOptions &options)
{
    artist_.reset();
    copyright_.reset();
    return run(
        static_cast<std::int64_t>(paths.size()),
        [&](int k, const auto &announce, Outcome &outcome) {
            const std::size_t index = static_cast<std::size_t>(k - 1);
            if (index >= paths.size() || !announce(fileNamePart(paths[index]), paths[index]))
                return false;
            outcome = processPicture(paths[index], edit, k);
            return true;
        },
        options);
}

} // namespace lumicap
