#pragma once

#include "cli/PictureFinder.h"
#include "cli/SetCommand.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace lumicap {

// set --csv: a table as "exiftool -csv" writes it (SourceFile, and any of
// ImageDescription, Artist, Copyright, with or without a group prefix such
// as "IFD0:") turned into one job per row. As with ExifTool, a missing
// column or an empty cell leaves that tag alone; other columns are ignored.
// Relative SourceFile names are relative to the current folder.
class CsvImport
{
public:
    // False (and error set) when the table has no SourceFile column.
    static bool jobs(const QByteArray &csv, const SetRequest &base, std::vector<SetJob> &jobs, QString &error);

    // Keeps the jobs of the named pictures, in their order; a picture with
    // no row is reported and counted in missing.
    static std::vector<SetJob> restrictTo(const std::vector<SetJob> &jobs, const std::vector<Picture> &pictures, int &missing);
};

} // namespace lumicap
