#include "SetCommand.h"

#include "ConsoleOutput.h"
#include "MetadataReader.h"
#include "MetadataWriter.h"
#include "SafeSave.h"
#include "StringTable.h"
#include "TextEncoding.h"

#include <QFile>

namespace lumicap {

namespace {
ImageStatus setTags(const QByteArray &path, const SetRequest &request, bool &opened)
{
    ImageStatus status;
    const auto image = OpenImageFile(path, status);
    opened = status == ImageStatus::Ok;
    if (!opened)
        return status;
    // A field not asked for keeps the file's own bytes, or stays absent.
    const MetadataFields fields{request.description.value_or(QByteArray()), request.artist.value_or(QByteArray()),
                                request.copyright.value_or(QByteArray())};
    WriteMetadata(*image, fields, {request.description.has_value(), request.artist.has_value(), request.copyright.has_value()},
                  request.removeAllExif);
    return SaveImageFile(*image, path);
}
} // namespace

int runSet(const QStringList &files, const SetRequest &request)
{
    int failures = 0;
    for (const QString &file : files) {
        const QByteArray path = QFile::encodeName(file);
        bool opened = false;
        const ImageStatus status = setTags(path, request, opened);
        if (status != ImageStatus::Ok) {
            ++failures;
            printError(formatString(opened ? IDS_SAVE_ERROR : IDS_LOAD_ERROR, statusNumber(status),
                                    displayText(path).toUtf8().constData()));
        }
    }
    return failures == 0 ? 0 : 1;
}

} // namespace lumicap
