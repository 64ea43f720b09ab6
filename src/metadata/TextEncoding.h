#pragma once

#include <QByteArray>
#include <QString>

namespace lumicap {

// Tag values and paths are bytes; they become text only where a person sees
// them. Valid UTF-8 shows as UTF-8, anything else as Windows-1252, the code
// page such files usually come from.
QString displayText(const QByteArray &bytes);

// Bytes for a text shown in a field: the very bytes that were read when the
// field still shows exactly their display text, else the text as UTF-8. So an
// untouched field is written back unchanged, whatever its encoding.
QByteArray storedBytes(const QString &shown, const QByteArray &original);

} // namespace lumicap
