#pragma once

#include <QByteArray>
#include <QString>

namespace lumicap {

// Plain string operations on paths; backslash and slash both separate, since
// folder texts and list files may come from Windows.
bool isPathSeparator(char c);
QByteArray joinPath(const QByteArray &folder, const QByteArray &name);
QByteArray directoryPart(const QByteArray &path);
QByteArray fileNamePart(const QByteArray &path);

// The bytes a path typed, picked or given as text is handed on as: on POSIX
// the locale's encoding (QFile::encodeName), the bytes the file system
// lists; on Windows UTF-8, which the platform layer takes there and which
// holds every name (the ANSI code page would not).
QByteArray pathBytes(const QString &path);

// The path from the root, as the journal keeps it: dots resolved, links not.
QByteArray absolutePath(const QByteArray &path);

// The separator joinPath adds: the platform's own.
#ifdef _WIN32
constexpr char nativeSeparator = '\\';
#else
constexpr char nativeSeparator = '/';
#endif

} // namespace lumicap
