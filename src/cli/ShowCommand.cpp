#include "ShowCommand.h"

#include "ConsoleOutput.h"
#include "MetadataReader.h"
#include "StringTable.h"
#include "TextEncoding.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace lumicap {

int runShow(const QStringList &files, bool json)
{
    QJsonArray array;
    int failures = 0;
    for (const QString &file : files) {
        const QByteArray path = QFile::encodeName(file);
        ImageStatus status;
        const auto image = OpenImageFile(path, status);
        const MetadataFields fields = status == ImageStatus::Ok ? ReadMetadata(*image) : MetadataFields();
        if (status != ImageStatus::Ok) {
            ++failures;
            if (!json)
                printError(formatString(IDS_LOAD_ERROR, statusNumber(status), displayText(path).toUtf8().constData()));
        }
        if (json) {
            array.append(QJsonObject{
                {"file", displayText(path)},
                {"description", displayText(fields.description)},
                {"artist", displayText(fields.artist)},
                {"copyright", displayText(fields.copyright)},
                {"status", statusNumber(status)},
            });
        } else if (status == ImageStatus::Ok) {
            printOut(displayText(path));
            printOut(loadString(IDS_DESCRIPTION) + ' ' + displayText(fields.description));
            printOut(loadString(IDS_ARTIST) + ' ' + displayText(fields.artist));
            printOut(loadString(IDS_COPYRIGHT) + ' ' + displayText(fields.copyright));
        }
    }
    if (json)
        printOut(QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented)).trimmed());
    return failures == 0 ? 0 : 1;
}

} // namespace lumicap
