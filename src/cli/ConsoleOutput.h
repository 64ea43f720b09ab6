#pragma once

#include <QString>

namespace lumicap {

// One line of UTF-8 text to stdout or stderr.
void printOut(const QString &line);
void printError(const QString &line);

} // namespace lumicap
