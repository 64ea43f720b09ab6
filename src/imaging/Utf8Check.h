#pragma once

#include <QByteArray>
#include <QString>

namespace lumicap {

// Whether bytes are valid UTF-8 throughout (a cut sequence is not).
bool isUtf8(const QByteArray &bytes);

// Bytes in Windows-1252, the code page text without a stated encoding
// usually comes from; the five bytes it leaves unassigned read as the C1
// controls of the same value, as Windows itself reads them.
QString fromWindows1252(const QByteArray &bytes);

// Text of unknown encoding as UTF-8: valid UTF-8 as it is, anything else
// read as Windows-1252.
QByteArray asUtf8(const QByteArray &bytes);

} // namespace lumicap
