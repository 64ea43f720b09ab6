#pragma once

#include <QString>

namespace lumicap {

// The plain-words reason for a status number, from the string table; an
// unknown number gets the generic reason.
QString statusReason(int status);

// A status message ("Error %d while ... Image %s", maybe with more lines)
// with the reason inserted as its second line.
QString statusMessage(int formatId, int status, const QString &path);

} // namespace lumicap
