#include "editor/ThumbnailDiskCache.h"

#include "imaging/PngChunks.h"

#include <QCryptographicHash>
#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

namespace lumicap {

namespace ThumbnailDiskCache {

namespace {
QString fileName(const QByteArray &path)
{
#ifdef _WIN32
    return QString::fromUtf8(path);
#else
    return QFile::decodeName(path);
#endif
}

QString folder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/thumbnails/normal");
}

// The file's time of change in whole seconds, as Thumb::MTime gives it; empty
// when the file cannot be looked at.
QString modifiedOf(const QFileInfo &info)
{
    const QDateTime time = info.lastModified();
    return time.isValid() ? QString::number(time.toSecsSinceEpoch()) : QString();
}
} // namespace

QByteArray uriOf(const QByteArray &path)
{
    return QUrl::fromLocalFile(QFileInfo(fileName(path)).absoluteFilePath()).toEncoded();
}

QString fileFor(const QByteArray &uri)
{
    return folder() + '/' + QString::fromLatin1(QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex()) + QStringLiteral(".png");
}

QImage load(const QByteArray &path)
{
    const QByteArray uri = uriOf(path);
    const QString modified = modifiedOf(QFileInfo(fileName(path)));
    if (modified.isEmpty())
        return {};
    // A small file, read whole: its texts come with the pixels.
    QImage image(fileFor(uri), "png");
    if (image.isNull() || image.text(QStringLiteral("Thumb::URI")).toUtf8() != uri || image.text(QStringLiteral("Thumb::MTime")) != modified
        || image.width() > normalSize || image.height() > normalSize)
        return {};
    return image;
}

bool store(const QByteArray &path, const QImage &image)
{
    const QFileInfo info(fileName(path));
    const QString modified = modifiedOf(info);
    const QString where = folder();
    // The cache's own files are not thumbnailed again.
    if (image.isNull() || modified.isEmpty() || info.absoluteFilePath().startsWith(where))
        return false;
    const QImage thumbnail = image.width() > normalSize || image.height() > normalSize
        ? image.scaled(normalSize, normalSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)
        : image;
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !thumbnail.save(&buffer, "PNG"))
        return false;
    // The texts go in plain tEXt chunks, as readers of the convention look
    // for them (Qt would compress the longer ones).
    const auto layout = parsePngLayout(png);
    if (!layout)
        return false;
    const QByteArray uri = uriOf(path);
    png.insert(static_cast<qsizetype>(layout->insertOffset),
               pngTextChunk("Thumb::URI", uri) + pngTextChunk("Thumb::MTime", modified.toLatin1()) + pngTextChunk("Software", "Lumicap"));
    if (!QFileInfo::exists(where)) {
        if (!QDir().mkpath(where))
            return false;
        for (const QString &made : {where, QFileInfo(where).path()})
            QFile::setPermissions(made, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    const QString target = fileFor(uri);
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(png) != png.size() || !file.commit())
        return false;
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return true;
}

} // namespace ThumbnailDiskCache

} // namespace lumicap
