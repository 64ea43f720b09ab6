#include "ShowCommand.h"

#include "ConsoleOutput.h"
#include "CsvTable.h"
#include "MetadataReader.h"
#include "StringTable.h"
#include "TagValues.h"
#include "TextEncoding.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace lumicap {

namespace {
QJsonValue jsonValue(const std::optional<QByteArray> &value)
{
    return value ? QJsonValue(displayText(*value)) : QJsonValue(QJsonValue::Null);
}

void printText(const QByteArray &path, const TagValues &values)
{
    printOut(shownText(path));
    printOut(loadString(IDS_DESCRIPTION) + ' ' + shownText(values.description.value_or(QByteArray())));
    printOut(loadString(IDS_ARTIST) + ' ' + shownText(values.artist.value_or(QByteArray())));
    printOut(loadString(IDS_COPYRIGHT) + ' ' + shownText(values.copyright.value_or(QByteArray())));
}

// One DESCRIPT.ION line: the name, quoted when it holds a space, and the
// description on one line without the bytes that end a line, the file or
// the description for the list reader.
bool listLine(const Picture &picture, const QByteArray &description, QByteArray &line)
{
    const QByteArray &name = picture.listName;
    if (name.isEmpty() || name.contains('"') || name.contains('\n') || name.contains('\r') || name.contains('\x1A'))
        return false;
    line = name.contains(' ') || name.contains('\t') ? '"' + name + '"' : name;
    QByteArray text = description;
    for (char &c : text) {
        if (c == '\n' || c == '\r' || c == '\x1A' || c == '\x04')
            c = ' ';
    }
    line += ' ' + text + "\r\n";
    return true;
}
} // namespace

int runShow(const std::vector<Picture> &pictures, ShowFormat format)
{
    QJsonArray array;
    int failures = 0;
    if (format == ShowFormat::Csv)
        writeOut(CsvTable::formatRow({"SourceFile", "ImageDescription", "Artist", "Copyright"}));
    for (const Picture &picture : pictures) {
        ImageStatus status;
        const auto image = OpenImageFile(picture.path, status);
        const TagValues values = status == ImageStatus::Ok ? TagValues::of(*image) : TagValues();
        if (status != ImageStatus::Ok) {
            ++failures;
            if (format != ShowFormat::Json)
                printError(formatString(IDS_LOAD_ERROR, statusNumber(status), shownText(picture.path).toUtf8().constData()));
        }
        switch (format) {
        case ShowFormat::Json:
            array.append(QJsonObject{
                {"file", displayText(picture.path)},
                {"description", jsonValue(values.description)},
                {"artist", jsonValue(values.artist)},
                {"copyright", jsonValue(values.copyright)},
                {"status", statusNumber(status)},
            });
            break;
        case ShowFormat::Text:
            if (status == ImageStatus::Ok)
                printText(picture.path, values);
            break;
        case ShowFormat::Csv:
            if (status == ImageStatus::Ok)
                writeOut(CsvTable::formatRow({picture.path, values.description.value_or(QByteArray()), values.artist.value_or(QByteArray()),
                                              values.copyright.value_or(QByteArray())}));
            break;
        case ShowFormat::DescriptIon: {
            QByteArray line;
            if (status != ImageStatus::Ok || values.description.value_or(QByteArray()).isEmpty())
                break; // nothing to say: batch leaves such a picture alone
            if (listLine(picture, *values.description, line)) {
                writeOut(line);
            } else {
                ++failures;
                printError(formatString(IDS_CLI_NOT_LISTABLE, shownText(picture.path).toUtf8().constData()));
            }
            break;
        }
        }
    }
    if (format == ShowFormat::Json)
        printOut(QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented)).trimmed());
    return failures == 0 ? 0 : 1;
}

} // namespace lumicap
