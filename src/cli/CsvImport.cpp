#include "cli/CsvImport.h"

#include "cli/ConsoleOutput.h"
#include "cli/CsvTable.h"
#include "platform/NativePath.h"
#include "resources/StringTable.h"

#include <filesystem>
#include <map>

namespace lumicap {

namespace {
// "IFD0:Artist" and "Artist" name the same column; letter case aside.
QByteArray columnName(const QByteArray &header)
{
    return header.mid(header.lastIndexOf(':') + 1).trimmed().toLower();
}

// The same file, however it was named.
QByteArray fileKey(const QByteArray &path)
{
    std::error_code error;
    const auto resolved = std::filesystem::canonical(platform::pathFromBytes({path.constData(), static_cast<std::size_t>(path.size())}), error);
    return error ? path : QByteArray::fromStdString(platform::bytesFromPath(resolved));
}
} // namespace

bool CsvImport::jobs(const QByteArray &csv, const SetRequest &base, std::vector<SetJob> &jobs, QString &error)
{
    const QList<CsvRow> rows = CsvTable::parse(csv);
    qsizetype source = -1, description = -1, artist = -1, copyright = -1;
    const CsvRow header = rows.value(0);
    for (qsizetype k = 0; k < header.size(); ++k) {
        const QByteArray name = columnName(header[k]);
        if (name == "sourcefile")
            source = k;
        else if (name == "imagedescription")
            description = k;
        else if (name == "artist")
            artist = k;
        else if (name == "copyright")
            copyright = k;
    }
    if (source < 0) {
        error = loadString(IDS_CLI_CSV_NO_SOURCE);
        return false;
    }
    const auto cell = [](const CsvRow &row, qsizetype column) -> std::optional<QByteArray> {
        if (column < 0 || column >= row.size() || row[column].isEmpty())
            return std::nullopt;
        return row[column];
    };
    for (qsizetype r = 1; r < rows.size(); ++r) {
        const CsvRow &row = rows[r];
        const auto path = cell(row, source);
        if (!path)
            continue;
        SetRequest request = base;
        request.changes.description = cell(row, description);
        request.changes.artist = cell(row, artist);
        request.changes.copyright = cell(row, copyright);
        jobs.push_back({*path, request});
    }
    return true;
}

std::vector<SetJob> CsvImport::restrictTo(const std::vector<SetJob> &jobs, const std::vector<Picture> &pictures, int &missing)
{
    std::map<QByteArray, const SetJob *> byFile;
    for (const SetJob &job : jobs)
        byFile[fileKey(job.path)] = &job;
    std::vector<SetJob> kept;
    for (const Picture &picture : pictures) {
        const auto found = byFile.find(fileKey(picture.path));
        if (found == byFile.end()) {
            ++missing;
            printError(formatString(IDS_CLI_CSV_NO_ROW, shownText(picture.path).toUtf8().constData()));
        } else {
            kept.push_back({picture.path, found->second->request});
        }
    }
    return kept;
}

} // namespace lumicap
