#include "cli/SetCommand.h"

#include "metadata/CaptionPattern.h"
#include "cli/ConsoleOutput.h"
#include "batch/TextChange.h"
#include "platform/FileTimes.h"
#include "metadata/Journal.h"
#include "metadata/MetadataReader.h"
#include "metadata/MetadataWriter.h"
#include "platform/NativePath.h"
#include "metadata/SafeSave.h"
#include "resources/StringTable.h"

namespace lumicap {

namespace {
QByteArray filledIn(const std::optional<QByteArray> &value, const PatternSubject &subject, bool patterns)
{
    QString error;
    const auto pattern = value && patterns ? CaptionPattern::parse(*value, error) : std::nullopt;
    return pattern ? pattern->expand(subject) : value.value_or(QByteArray());
}

void printSetChanges(const QByteArray &shown, const MetadataFields &before, const MetadataFields &after, const FieldSelection &which)
{
    for (const TagField field : allTagFields) {
        if (isSelected(which, field) && fieldText(before, field) != fieldText(after, field))
            printOut(formatString(IDS_CLI_WOULD_CHANGE, shown.constData(), fieldName(field).toUtf8().constData(),
                                  shownText(fieldText(before, field)).toUtf8().constData(), shownText(fieldText(after, field)).toUtf8().constData()));
    }
}

// untouched gets the copies of the fields the save could not parse and left
// as they were.
ImageStatus setTags(const QByteArray &path, const SetRequest &request, int position, bool dryRun, bool &opened, std::vector<QByteArray> &untouched)
{
    ImageStatus status;
    const auto image = openImageFile(path, status);
    opened = status == ImageStatus::Ok;
    if (!opened)
        return status;
    const PatternSubject subject = PatternSubject::of(*image, path, position);
    const FieldChanges &changes = request.changes;
    const MetadataFields fields{filledIn(changes.description, subject, request.patterns), filledIn(changes.artist, subject, request.patterns),
                                filledIn(changes.copyright, subject, request.patterns)};
    const FieldSelection which{changes.description.has_value(), changes.artist.has_value(), changes.copyright.has_value()};
    if (which.any() || request.removeAllExif)
        writeMetadata(*image, fields, which, request.removeAllExif, request.allCopies);
    // A deleted field goes from its other copies too, or other programs
    // would go on showing the old text.
    const FieldSelection deleted{changes.deleteDescription, changes.deleteArtist, changes.deleteCopyright};
    if (deleted.any())
        deleteMetadata(*image, deleted);
    if (dryRun) {
        const ImageStatus possible = checkImageSave(*image, path);
        if (possible == ImageStatus::Ok) {
            printSetChanges(shownText(path).toUtf8(), subject.fields, fields, which);
            printSetChanges(shownText(path).toUtf8(), subject.fields, {}, deleted);
        }
        return possible;
    }
    const ImageStatus saved = saveImageFile(*image, path);
    untouched = image->untouchedCopies();
    return saved;
}
} // namespace

bool checkSetPatterns(const SetRequest &request, QString &error)
{
    for (const auto &value : {request.changes.description, request.changes.artist, request.changes.copyright}) {
        if (value && !CaptionPattern::parse(*value, error))
            return false;
    }
    return true;
}

int runSet(const std::vector<SetJob> &jobs, bool verbose, bool dryRun)
{
    const Journal::Run run; // undone together with undo --run
    int failures = 0;
    int position = 0;
    for (const SetJob &job : jobs) {
        ++position;
        const QByteArray shown = shownText(job.path).toUtf8();
        const std::filesystem::path file = platform::pathFromBytes(job.path.toStdString());
        platform::FileTimes times;
        const bool timesRead = times.read(file) == platform::FileStatus::Ok;
        bool opened = false;
        std::vector<QByteArray> untouched;
        const ImageStatus status = setTags(job.path, job.request, position, dryRun, opened, untouched);
        if (status != ImageStatus::Ok) {
            ++failures;
            printError(formatString(opened ? IDS_SAVE_ERROR : IDS_LOAD_ERROR, statusNumber(status), shown.constData()));
            continue;
        }
        if (dryRun)
            continue;
        // The save went ahead; other programs may still show the old text.
        for (const QByteArray &where : untouched)
            printError(formatString(IDS_CLI_COPY_UNTOUCHED, shown.constData(), where.constData()));
        const bool written = !timesRead || times.replaced(file);
        if (written && timesRead && job.request.preserveTime && times.restore(file) != platform::FileStatus::Ok) {
            ++failures;
            printError(formatString(IDS_CLI_TIMES_NOT_KEPT, shown.constData()));
        }
        if (verbose)
            printOut(formatString(written ? IDS_CLI_SAVED : IDS_CLI_UNCHANGED, shown.constData()));
    }
    return failures == 0 ? 0 : 1;
}

} // namespace lumicap
