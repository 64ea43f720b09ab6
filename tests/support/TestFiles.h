#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>

namespace lumicap::test {

// A folder that disappears with the test, with helpers to make real image
// files in it.
class TestFolder
{
public:
    TestFolder();
    QString path() const { return dir_.path(); }
    QString file(const QString &name) const { return dir_.filePath(name); }
    QByteArray bytePath(const QString &name) const;

private:
    QTemporaryDir dir_;
};

// A picture with detail in it (a gradient and a pattern), so that compressed
// image data is never trivially small.
QImage patternImage(int width, int height, int seed = 1);

bool writeJpeg(const QString &path, int width = 64, int height = 48, int seed = 1);
bool writePng(const QString &path, int width = 64, int height = 48, int seed = 1);
bool writeTiff(const QString &path, int width = 64, int height = 48, int seed = 1);
// Runs a program with its output discarded; true when it exits with 0.
bool runQuietly(const QString &program, const QStringList &args);
// A HEIC or AVIF (by the name's extension) made by heif-enc from a JPEG,
// with heif-enc's options ({"-t", "32"}: a thumbnail item).
bool writeHeif(const QString &path, const QStringList &options = {});
// A WebP made by libwebp's own tools from the pattern: "lossy", "alpha"
// (lossless, with a translucent part) or "anim" (two frames). Simple files,
// without a VP8X header but the animation's. False without the tools.
bool writeWebp(const QString &path, const QString &kind, int width = 64, int height = 48);
// A tool's output, or nothing when it failed to run or exited with an error.
std::optional<QByteArray> runTool(const QString &program, const QStringList &args);

// An uncompressed RGB TIFF with one image directory per page.
bool writeMultiPageTiff(const QString &path, int pages, int width = 32, int height = 24);

QByteArray readAll(const QString &path);
bool writeAll(const QString &path, const QByteArray &bytes);

// The compressed image data of a JPEG: everything from the first scan on.
QByteArray jpegScanData(const QByteArray &jpeg);

// Decoded pixels of every page, for comparing a file before and after a save
// (HEIC and AVIF decoded by heif-convert).
QList<QImage> decodePages(const QString &path);

// Sets the three tags with Exiv2 directly, bytes as given.
bool setTagsDirectly(const QString &path, const QByteArray &description, const QByteArray &artist, const QByteArray &copyright);
// The three tags' bytes as Exiv2 reads them (up to the first zero).
QList<QByteArray> tagsDirectly(const QString &path);

// The folder of real and hostile photos kept beside the project where it is
// checked out in its workplace ("corpus", with cameras.txt and hostile/), or
// nothing elsewhere.
QString sharedCorpusFolder();

// Runs ExifTool (the independent reader and writer the tests check against).
bool haveExifTool();
QByteArray exifTool(const QStringList &args, int *exitCode = nullptr);
// The raw bytes of one tag as ExifTool reads them ("-b"), or nothing when
// the file has no such tag.
std::optional<QByteArray> exifToolValue(const QString &path, const QString &tag);
// Writes tags with ExifTool: {"-ImageDescription=x", ...}.
bool exifToolWrite(const QString &path, const QStringList &assignments);

} // namespace lumicap::test
