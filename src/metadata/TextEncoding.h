#pragma once

#include "imaging/Utf8Check.h"

#include <QByteArray>
#include <QString>

namespace lumicap {

// Tag values and paths are bytes; they become text only where a person sees
// them. Valid UTF-8 shows as UTF-8, anything else as Windows-1252, the code
// page such files usually come from.
QString displayText(const QByteArray &bytes);
// A path as the system writes it: on Windows with backslashes only.
QString displayPath(const QByteArray &path);

// Bytes for a text shown in a field: the very bytes that were read when the
// field still shows exactly their display text, else the text as UTF-8. So an
// untouched field is written back unchanged, whatever its encoding.
QByteArray storedBytes(const QString &shown, const QByteArray &original);

// The single-byte code pages that lists from Windows come in: the ANSI code
// page of Western Windows, and the OEM code page that DOS-era tools (and
// their DESCRIPT.ION files) use.
enum class CodePage { Windows1252, Oem850 };

QString fromCodePage(const QByteArray &bytes, CodePage page);

// What a value from a list is written as: valid UTF-8 as it is, anything
// else read as Windows-1252 and written as UTF-8, as the editor writes text.
QByteArray utf8FromList(const QByteArray &bytes);

} // namespace lumicap
