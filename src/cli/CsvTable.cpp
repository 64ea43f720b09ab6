#include "cli/CsvTable.h"

namespace lumicap {

QList<CsvRow> CsvTable::parse(const QByteArray &text)
{
    QList<CsvRow> rows;
    CsvRow row;
    QByteArray field;
    bool quoted = false;
    bool fieldStarted = false;
    const qsizetype n = text.size();
    const auto endField = [&] {
        row.append(field);
        field.clear();
        fieldStarted = false;
    };
    const auto endRow = [&] {
        endField();
        if (!(row.size() == 1 && row.first().isEmpty()))
            rows.append(row); // a blank line is no row
        row.clear();
    };
    for (qsizetype i = text.startsWith("\xEF\xBB\xBF") ? 3 : 0; i < n; ++i) {
        const char c = text[i];
        if (quoted) {
            if (c != '"')
                field.append(c);
            else if (i + 1 < n && text[i + 1] == '"')
                field.append(text[++i]);
            else
                quoted = false;
        } else if (c == '"' && !fieldStarted) {
            quoted = fieldStarted = true;
        } else if (c == ',') {
            endField();
        } else if (c == '\n' || (c == '\r' && i + 1 < n && text[i + 1] == '\n')) {
            if (c == '\r')
                ++i;
            endRow();
        } else {
            field.append(c);
            fieldStarted = true;
        }
    }
    if (fieldStarted || !row.isEmpty())
        endRow();
    return rows;
}

QByteArray CsvTable::formatRow(const CsvRow &row)
{
    QByteArray line;
    for (qsizetype k = 0; k < row.size(); ++k) {
        const QByteArray &field = row[k];
        if (k > 0)
            line.append(',');
        const bool quote = field.contains(',') || field.contains('"') || field.contains('\n') || field.contains('\r') || field.startsWith(' ')
            || field.endsWith(' ');
        if (quote) {
            QByteArray inner = field;
            line.append('"').append(inner.replace("\"", "\"\"")).append('"');
        } else {
            line.append(field);
        }
    }
    line.append('\n');
    return line;
}

} // namespace lumicap
