#pragma once

#include <QByteArray>
#include <QList>

namespace lumicap {

using CsvRow = QList<QByteArray>;

// Comma-separated values as RFC 4180 has them and spreadsheets and ExifTool
// write them: a UTF-8 byte-order mark at the start is skipped, rows end in
// LF or CR LF, a quoted field may hold commas, "" for a quote, and line
// breaks (kept as they are). Fields stay bytes.
class CsvTable
{
public:
    static QList<CsvRow> parse(const QByteArray &text);
    // One row, quoted where it must be, ended by LF as ExifTool ends them.
    static QByteArray formatRow(const CsvRow &row);
};

} // namespace lumicap
