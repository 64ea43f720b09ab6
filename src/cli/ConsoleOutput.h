#pragma once

#include <QByteArray>
#include <QString>

namespace lumicap {

// One line of UTF-8 text to stdout or stderr (UTF-16 to a Windows console).
void printOut(const QString &line);
void printError(const QString &line);
// Bytes to stdout exactly as they are (CSV and list output); a Windows
// console shows them as UTF-8 text.
void writeOut(const QByteArray &bytes);
// Standard input and output carry bytes as they are: on Windows the C
// library would otherwise turn "\r\n" into "\r\r\n" on the way out (the
// lists and CSV we write end their lines so) and stop reading at a ^Z.
void useBinaryStreams();
// Whether standard error is a terminal, where a progress bar may redraw itself.
bool errorsGoToATerminal();

// All bytes of a file, or of standard input for "-"; works on pipes too.
bool readInput(const QByteArray &path, QByteArray &bytes);

// Text with its control characters spelled out (\n, \t, \r, \xHH, \u0085),
// so that a value can neither start a line of its own nor drive the
// terminal.
QString escapedText(const QString &text);
// A path or tag value as a person reads it: display text, escaped.
QString shownText(const QByteArray &bytes);

} // namespace lumicap
