#pragma once

#include <QString>

namespace lumicap {

// The plain-words reason for a status number, from the string table; an
// unknown number gets the generic reason.
QString statusReason(int status);

// A status message ("Error %d while ... Image %s", maybe with more lines)
// with the reason inserted as its second line: reasonText, or the status's.
QString statusMessage(int formatId, int status, const QString &path, const QString &reasonText = {});

} // namespace lumicap
