#include "cli/ConsoleOutput.h"

#include "platform/ConsoleText.h"
#include "metadata/TextEncoding.h"

#include <cstdio>

#ifdef _WIN32
#include "platform/NativePath.h"

#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace lumicap {

namespace {
// UTF-8 bytes, or the same text as a Windows console shows it.
void writeTo(std::FILE *stream, const QByteArray &bytes)
{
    if (!platform::writeConsoleText(stream, {bytes.constData(), static_cast<std::size_t>(bytes.size())}))
        std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
}

void printTo(std::FILE *stream, const QString &line)
{
    writeTo(stream, line.toUtf8() + '\n');
}

bool readStream(std::FILE *file, QByteArray &bytes)
{
    char buffer[65536];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, static_cast<qsizetype>(n));
    return std::ferror(file) == 0;
}
} // namespace

bool readInput(const QByteArray &path, QByteArray &bytes)
{
    if (path == "-")
        return readStream(stdin, bytes);
#ifdef _WIN32
    // Paths are UTF-8 there; fopen would take them as the ANSI code page.
    std::FILE *file = ::_wfopen(platform::pathFromBytes({path.constData(), static_cast<std::size_t>(path.size())}).c_str(), L"rb");
#else
    std::FILE *file = std::fopen(path.constData(), "rb");
#endif
    if (!file)
        return false;
    const bool ok = readStream(file, bytes);
    std::fclose(file);
    return ok;
}

void useBinaryStreams()
{
#ifdef _WIN32
    ::_setmode(::_fileno(stdin), _O_BINARY);
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
#endif
}

bool errorsGoToATerminal()
{
#ifdef _WIN32
    return ::_isatty(::_fileno(stderr)) != 0;
#else
    return ::isatty(STDERR_FILENO) == 1;
#endif
}

void printOut(const QString &line)
{
    printTo(stdout, line);
}

void printError(const QString &line)
{
    printTo(stderr, line);
    std::fflush(stderr);
}

void writeOut(const QByteArray &bytes)
{
    writeTo(stdout, bytes);
}

QString escapedText(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\n')
            out += QLatin1String("\\n");
        else if (u == '\t')
            out += QLatin1String("\\t");
        else if (u == '\r')
            out += QLatin1String("\\r");
        else if (u < 0x20 || u == 0x7F)
            out += QString("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        else if (u >= 0x80 && u < 0xA0) // C1 controls: some terminals act on them too
            out += QString("\\u%1").arg(u, 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QString shownText(const QByteArray &bytes)
{
    return escapedText(displayText(bytes));
}

} // namespace lumicap
