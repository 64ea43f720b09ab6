#include "ListFile.h"

namespace lumicap {

namespace {
bool isWhite(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

QByteArray trimmed(const char *begin, const char *end)
{
    while (begin < end && isWhite(*begin))
        ++begin;
    while (end > begin && isWhite(end[-1]))
        --end;
    return QByteArray(begin, end - begin);
}

// What text-mode reading hands on: CR LF becomes LF, and 0x1A ends the file.
QByteArray textMode(const QByteArray &file)
{
    QByteArray text;
    text.reserve(file.size());
    const qsizetype n = file.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = file[i];
        if (c == '\x1A')
            break;
        if (c == '\r' && i + 1 < n && file[i + 1] == '\n')
            continue;
        text.append(c);
    }
    return text;
}
} // namespace

bool ListFileParser::parsePiece(const QByteArray &piece, ListEntry &entry)
{
    const char *begin = piece.constData();
    const char *end = begin + piece.size();
    for (const char *p = begin; p < end; ++p) {
        if (*p == '\n') {
            end = p;
            break;
        }
    }
    if (begin == end)
        return false;

    const char *rest = nullptr;
    if (*begin == '"') {
        const char *close = begin + 1;
        while (close < end && *close != '"')
            ++close;
        if (close == end)
            return false; // an unclosed quote drops the line
        entry.name = QByteArray(begin + 1, close - begin - 1);
        rest = close + 1;
    } else {
        const char *space = begin;
        while (space < end && *space != ' ')
            ++space;
        entry.name = QByteArray(begin, space - begin);
        rest = space < end ? space + 1 : end;
    }
    while (rest < end && *rest == ' ')
        ++rest;
    // Programs that keep DESCRIPT.ION files put their own data after 0x04.
    const char *descriptionEnd = rest;
    while (descriptionEnd < end && *descriptionEnd != '\x04')
        ++descriptionEnd;
    entry.description = trimmed(rest, descriptionEnd);
    return true;
}

BatchList ListFileParser::parse(const QByteArray &file)
{
    QByteArray text = textMode(file);
    qsizetype pos = text.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    BatchList list;
    ListEntry entry;
    while (pos < text.size()) {
        qsizetype length = 0;
        while (length < pieceSize && pos + length < text.size()) {
            if (text[pos + length++] == '\n')
                break;
        }
        if (parsePiece(QByteArray::fromRawData(text.constData() + pos, length), entry))
            list.push_back(entry);
        pos += length;
    }
    return list;
}

} // namespace lumicap
