#include "metadata/PathOps.h"

#include "platform/NativePath.h"

#include <QFile>

namespace lumicap {

namespace {
qsizetype lastSeparator(const QByteArray &path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (isPathSeparator(path[i]))
            return i;
    }
    return -1;
}
} // namespace

bool isPathSeparator(char c)
{
    return c == '/' || c == '\\';
}

QByteArray joinPath(const QByteArray &folder, const QByteArray &name)
{
    if (folder.isEmpty() || isPathSeparator(folder.back()))
        return folder + name;
    return folder + nativeSeparator + name;
}

QByteArray directoryPart(const QByteArray &path)
{
    return path.left(lastSeparator(path) + 1);
}

QByteArray fileNamePart(const QByteArray &path)
{
    return path.mid(lastSeparator(path) + 1);
}

QByteArray pathBytes(const QString &path)
{
#ifdef _WIN32
    return path.toUtf8();
#else
    return QFile::encodeName(path);
#endif
}

QByteArray absolutePath(const QByteArray &path)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(platform::pathFromBytes(path.toStdString()), error);
    return error ? path : QByteArray::fromStdString(platform::bytesFromPath(absolute.lexically_normal()));
}

} // namespace lumicap
