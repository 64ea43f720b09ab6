#include "SetCommand.h"

#include "ConsoleOutput.h"
#include "FileTimes.h"
#include "Journal.h"
#include "MetadataReader.h"
#include "MetadataWriter.h"
#include "NativePath.h"
#include "SafeSave.h"
#include "StringTable.h"

namespace lumicap {

namespace {
// untouched gets the copies of the fields the save could not parse and left
// as they were.
ImageStatus setTags(const QByteArray &path, const SetRequest &request, bool &opened, std::vector<QByteArray> &untouched)
{
    ImageStatus status;
    const auto image = OpenImageFile(path, status);
    opened = status == ImageStatus::Ok;
    if (!opened)
        return status;
    const MetadataFields fields{request.description.value_or(QByteArray()), request.artist.value_or(QByteArray()),
                                request.copyright.value_or(QByteArray())};
    const FieldSelection which{request.description.has_value(), request.artist.has_value(), request.copyright.has_value()};
    if (which.any() || request.removeAllExif)
        WriteMetadata(*image, fields, which, request.removeAllExif, request.allCopies);
    // A deleted field goes from its other copies too, or other programs
    // would go on showing the old text.
    const FieldSelection deleted{request.deleteDescription, request.deleteArtist, request.deleteCopyright};
    if (deleted.any())
        DeleteMetadata(*image, deleted);
    const ImageStatus saved = SaveImageFile(*image, path);
    untouched = image->untouchedCopies();
    return saved;
}
} // namespace

int runSet(const std::vector<SetJob> &jobs, bool verbose)
{
    const Journal::Run run; // undone together with undo --run
    int failures = 0;
    for (const SetJob &job : jobs) {
        const QByteArray shown = shownText(job.path).toUtf8();
        const std::filesystem::path file = platform::pathFromBytes(job.path.toStdString());
        platform::FileTimes times;
        const bool timesRead = times.read(file) == platform::FileStatus::Ok;
        bool opened = false;
        std::vector<QByteArray> untouched;
        const ImageStatus status = setTags(job.path, job.request, opened, untouched);
        if (status != ImageStatus::Ok) {
            ++failures;
            printError(formatString(opened ? IDS_SAVE_ERROR : IDS_LOAD_ERROR, statusNumber(status), shown.constData()));
            continue;
        }
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
