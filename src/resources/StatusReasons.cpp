#include "resources/StatusReasons.h"

#include "resources/StringTable.h"

namespace lumicap {

namespace {
// The one table of reasons. The numbers are the classic imaging statuses the
// messages show (see the README's table).
struct Reason
{
    int status;
    int stringId;
};
constexpr Reason reasons[] = {
    {1, IDS_REASON_DAMAGED},         {2, IDS_REASON_NOT_A_FILE},    {3, IDS_REASON_OUT_OF_MEMORY},  {4, IDS_REASON_BUSY},
    {6, IDS_REASON_NOT_WRITTEN_YET}, {7, IDS_REASON_SYSTEM},        {10, IDS_REASON_NOT_FOUND},     {11, IDS_REASON_TOO_BIG},
    {12, IDS_REASON_ACCESS_DENIED},  {13, IDS_REASON_NOT_AN_IMAGE}, {20, IDS_REASON_NOT_SUPPORTED}, {22, IDS_REASON_EMPTY},
};
} // namespace

QString statusReason(int status)
{
    for (const Reason &r : reasons) {
        if (r.status == status)
            return loadString(r.stringId);
    }
    return loadString(IDS_REASON_GENERIC);
}

QString statusMessage(int formatId, int status, const QString &path, const QString &reasonText)
{
    QString text = formatString(formatId, status, path.toUtf8().constData());
    const qsizetype firstLineEnd = text.indexOf(QLatin1Char('\n'));
    const QString reason = reasonText.isEmpty() ? statusReason(status) : reasonText;
    if (firstLineEnd < 0)
        return text + QLatin1Char('\n') + reason;
    return text.insert(firstLineEnd, QLatin1Char('\n') + reason);
}

} // namespace lumicap
