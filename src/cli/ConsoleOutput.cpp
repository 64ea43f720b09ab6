#include "ConsoleOutput.h"

#include <cstdio>

namespace lumicap {

namespace {
void printTo(std::FILE *stream, const QString &line)
{
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    std::fputc('\n', stream);
}
} // namespace

void printOut(const QString &line)
{
    printTo(stdout, line);
}

void printError(const QString &line)
{
    printTo(stderr, line);
    std::fflush(stderr);
}

} // namespace lumicap
