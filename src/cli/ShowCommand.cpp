#include "cli/ShowCommand.h"

#include "cli/ConsoleOutput.h"
#include "cli/CsvTable.h"
#include "metadata/MetadataReader.h"
#include "resources/StringTable.h"
#include "cli/TagValues.h"
#include "metadata/TextEncoding.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>

namespace lumicap {

namespace {
QJsonValue jsonValue(const std::optional<QByteArray> &value)
{
    return value ? QJsonValue(displayText(*value)) : QJsonValue(QJsonValue::Null);
}

// The other copies of each field, by the field's JSON name.
struct NamedCopies
{
    const char *field;
    const std::vector<TextCopy> &copies;
};

std::array<NamedCopies, 3> namedCopies(const FieldCopies &copies)
{
    return {{{"description", copies.description}, {"artist", copies.artist}, {"copyright", copies.copyright}}};
}

QJsonObject jsonCopies(const FieldCopies &copies)
{
    QJsonObject object;
    for (const NamedCopies &field : namedCopies(copies)) {
        QJsonArray array;
        for (const TextCopy &copy : field.copies)
            array.append(QJsonObject{{"where", QString::fromUtf8(copy.where)}, {"text", QString::fromUtf8(copy.text)}});
        object.insert(field.field, array);
    }
    return object;
}

// Each field's line, then with copies a line per other copy of it.
void printText(const QByteArray &path, const TagValues &values, const FieldCopies &copies)
{
    printOut(shownText(path));
    const int labels[] = {IDS_DESCRIPTION, IDS_ARTIST, IDS_COPYRIGHT};
    const std::optional<QByteArray> *exif[] = {&values.description, &values.artist, &values.copyright};
    const auto named = namedCopies(copies);
    for (std::size_t k = 0; k < named.size(); ++k) {
        printOut(loadString(labels[k]) + ' ' + shownText(exif[k]->value_or(QByteArray())));
        for (const TextCopy &copy : named[k].copies)
            printOut(formatString(IDS_CLI_COPY_LINE, named[k].field, shownText(copy.where).toUtf8().constData(),
                                  shownText(copy.text).toUtf8().constData()));
    }
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

int runShow(const std::vector<Picture> &pictures, ShowFormat format, bool allCopies)
{
    QJsonArray array;
    int failures = 0;
    if (format == ShowFormat::Csv)
        writeOut(CsvTable::formatRow({"SourceFile", "ImageDescription", "Artist", "Copyright"}));
    for (const Picture &picture : pictures) {
        ImageStatus status;
        const auto image = openImageFile(picture.path, status);
        const TagValues values = status == ImageStatus::Ok ? TagValues::of(*image) : TagValues();
        if (status != ImageStatus::Ok) {
            ++failures;
            if (format != ShowFormat::Json)
                printError(formatString(IDS_LOAD_ERROR, statusNumber(status), shownText(picture.path).toUtf8().constData()));
        }
        switch (format) {
        case ShowFormat::Json: {
            QJsonObject object{
                {"file", displayText(picture.path)},  {"description", jsonValue(values.description)},
                {"artist", jsonValue(values.artist)}, {"copyright", jsonValue(values.copyright)},
                {"status", statusNumber(status)},
            };
            if (allCopies)
                object.insert("copies", status == ImageStatus::Ok ? QJsonValue(jsonCopies(image->copies())) : QJsonValue(QJsonValue::Null));
            array.append(object);
            break;
        }
        case ShowFormat::Text:
            if (status == ImageStatus::Ok)
                printText(picture.path, values, allCopies ? image->copies() : FieldCopies());
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
