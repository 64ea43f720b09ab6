#include "imaging/JpegSegments.h"
#include "SaveTestSupport.h"
#include "TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>

#include <gtest/gtest.h>

using namespace lumicap;
using namespace lumicap::test;

namespace {
// The three fields and their other copies, which a save brings in step.
const QSet<QString> copiesOfTheFields{"ImageDescription", "Artist", "Copyright", "Caption-Abstract", "By-line",  "CopyrightNotice", "Description",
                                      "Creator",          "Rights", "XPTitle",   "XPSubject",        "XPAuthor", "IPTCDigest"};

// Every tag ExifTool reads in each file (maker notes, thumbnails and previews
// as bytes), by file name; where a block lies may move, so its offset is left
// out, and so are the three fields and their copies a save changes.
QMap<QString, QJsonObject> everyTag(const QStringList &args)
{
    QMap<QString, QJsonObject> out;
    const auto files = QJsonDocument::fromJson(exifTool(QStringList{"-j", "-a", "-G1", "-s", "-b"} + args)).array();
    for (const auto &file : files) {
        QJsonObject tags = file.toObject();
        const QString name = QFileInfo(tags.value("SourceFile").toString()).fileName();
        for (const QString &key : tags.keys()) {
            const QString group = key.section(':', 0, 0);
            const QString tag = key.section(':', 1);
            if (tag.isEmpty() || group == "System" || group == "File" || group == "ExifTool" || copiesOfTheFields.contains(tag)
                || tag.endsWith("Offset") || tag.endsWith("Offsets") || tag.endsWith("Start") || tag == "MediaDataSize"
                || key == "MPImage1:MPImageLength") // the picture whose header changes
                tags.remove(key);
        }
        out.insert(name, tags);
    }
    return out;
}

// The warnings ExifTool's validation gives for each file, without its count.
QMap<QString, QSet<QByteArray>> warningsOf(const QString &folder)
{
    QMap<QString, QSet<QByteArray>> out;
    QString file;
    const QRegularExpression summary("^(OK|\\d+ Warnings? .*)$");
    for (const QByteArray &line : exifTool({"-validate", "-warning", "-error", "-a", "-s3", folder}).split('\n')) {
        if (line.startsWith("======== "))
            file = QFileInfo(QString::fromUtf8(line.mid(9))).fileName();
        else if (!line.isEmpty() && !summary.match(QString::fromUtf8(line)).hasMatch())
            out[file].insert(line);
    }
    return out;
}

QByteArray number(std::uint32_t value, int bytes, bool bigEndian = false)
{
    QByteArray out;
    for (int i = 0; i < bytes; ++i)
        out.append(static_cast<char>((value >> (8 * (bigEndian ? bytes - 1 - i : i))) & 0xFF));
    return out;
}

// Offsets to data behind the picture: a second picture found through an MPF
// index after the Exif segment (offsets from the index's own header, and IPTC
// behind the index that a save lengthens), and an AFCP trailer at the end
// (offsets from the start of the file).
void writeOffsetsBehindThePicture(const QString &mpf, const QString &afcp)
{
    ASSERT_TRUE(writeJpeg(mpf) && exifToolWrite(mpf, {"-IFD0:Make=Kestrel", "-IPTC:Caption-Abstract=Old"}) && writeJpeg(afcp, 32, 24, 2));
    const QByteArray second = readAll(afcp), first = readAll(mpf);
    const auto at = static_cast<qsizetype>(parseJpegLayout(first)->exifOffset.value() + parseJpegLayout(first)->exifSize);
    const auto entry = [](std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value) {
        return number(tag, 2) + number(type, 2) + number(count, 4) + number(value, 4);
    };
    const std::uint32_t size = static_cast<std::uint32_t>(first.size() + 90);
    const QByteArray index = QByteArray("II*\0", 4) + number(8, 4) + number(3, 2) + entry(0xB000, 7, 4, 0x30303130) + entry(0xB001, 4, 1, 2)
        + entry(0xB002, 7, 32, 50) + number(0, 4) + number(0x20030000, 4) + number(size, 4) + number(0, 4) + number(0, 4) + number(0x10001, 4)
        + number(static_cast<std::uint32_t>(second.size()), 4) + number(size - static_cast<std::uint32_t>(at) - 8, 4) + number(0, 4);
    const QByteArray segment = QByteArray("\xFF\xE2\0\x58"
                                          "MPF\0",
                                          8)
        + index;
    ASSERT_TRUE(writeAll(mpf, first.left(at) + segment + first.mid(at) + second));
    ASSERT_TRUE(exifToolWrite(afcp, {"-IFD0:Make=Kestrel"}));
    const QByteArray picture = readAll(afcp);
    const auto start = static_cast<std::uint32_t>(picture.size());
    ASSERT_TRUE(writeAll(afcp,
                         picture + QByteArray("AXS!\0\x01", 6) + number(1, 2, true) + number(0, 4) + "TEXT" + number(10, 4, true)
                             + number(start + 24, 4, true) + "Hello AFCP" + "AXS!" + number(start, 4, true) + number(0, 4)));
}
} // namespace

// Real photos from many cameras, which ExifTool writes cleanly: saving the
// three fields changes no other tag and adds no warning, and every program
// reads the new caption.
TEST(CameraPhotos, keepEveryOtherTagAndGainNoWarningWhenTheThreeAreSaved)
{
    const QString corpus = sharedCorpusFolder();
    if (corpus.isEmpty() || !haveExifTool())
        GTEST_SKIP() << "no camera photos beside this checkout, or no exiftool";
    TestFolder dir;
    QStringList names;
    for (const QByteArray &line : readAll(corpus + "/cameras.txt").split('\n')) {
        if (!line.isEmpty() && !line.startsWith('#'))
            names << QString::fromUtf8(line.trimmed());
    }
    ASSERT_GE(names.size(), 40);
    for (const QString &name : names) {
        ASSERT_TRUE(QFile::copy(corpus + "/hostile/" + name, dir.file(name)));
        QFile::setPermissions(dir.file(name), QFile::ReadOwner | QFile::WriteOwner);
    }
    writeOffsetsBehindThePicture(dir.file("mpf.jpg"), dir.file("afcp.jpg"));
    names << "mpf.jpg"
          << "afcp.jpg";
    const auto tagsBefore = everyTag({dir.path()});
    const auto warningsBefore = warningsOf(dir.path());

    for (const QString &name : names)
        EXPECT_EQ(saveFields(dir.file(name), {"Caption \xC3\xA9t\xC3\xA9", "A. Tester", "(c) A. Tester"}), ImageStatus::Ok) << name.toStdString();

    const auto tagsAfter = everyTag({dir.path()});
    for (const QString &name : names) {
        const QJsonObject before = tagsBefore.value(name), after = tagsAfter.value(name);
        for (const QString &key : before.keys())
            EXPECT_EQ(before.value(key), after.value(key)) << name.toStdString() << " " << key.toStdString();
    }
    const QByteArray captions = exifTool({"-use", "MWG", "-s3", "-MWG:Description", dir.path()});
    EXPECT_EQ(captions.count("Caption \xC3\xA9t\xC3\xA9\n"), names.size()) << captions.toStdString();
    const auto warningsAfter = warningsOf(dir.path());
    for (const QString &name : names) {
        for (const QByteArray &warning : warningsAfter.value(name))
            EXPECT_TRUE(warningsBefore.value(name).contains(warning)) << name.toStdString() << ": " << warning.toStdString();
    }
}

// HEIC and AVIF as phones and converters leave them: Exif with GPS and a
// thumbnail, XMP and a thumbnail item (heif-enc carries a JPEG's over), or no
// Exif item at all. Saving changes no other tag, adds no warning, and libheif
// decodes the same pixels; the exiv2 tool reads the new fields too.
TEST(HeifPhotos, keepEveryOtherTagAndTheirPixelsWhenTheThreeAreSaved)
{
    if (!haveExifTool() || QStandardPaths::findExecutable("exiv2").isEmpty())
        GTEST_SKIP() << "no exiftool or exiv2";
    TestFolder dir;
    ASSERT_TRUE(writeJpeg(dir.file("camera.jpg"), 320, 240)); // a thumbnail item of 160: iloc version 0, which Exiv2 0.27 reads
    ASSERT_TRUE(
        exifToolWrite(dir.file("camera.jpg"),
                      {"-IFD0:Make=Kestrel", "-IFD0:Model=K1", "-ExifIFD:ExposureTime=1/250", "-GPS:GPSLatitude=48.5", "-GPS:GPSLatitudeRef=N",
                       "-IFD0:Artist=Old", "-XMP-dc:Title-de=Hafen", "-XMP-dc:Title=Harbour", "-ThumbnailImage<=" + dir.file("camera.jpg")}));
    QStringList names{"camera.heic", "camera.avif", "plain.heic"};
    for (const QString &name : names.mid(0, 2))
        ASSERT_TRUE(runQuietly("heif-enc", {"-q", "60", "-t", "160", "-o", dir.file(name), dir.file("camera.jpg")}));
    QFile::remove(dir.file("camera.jpg"));
    ASSERT_TRUE(writeHeif(dir.file("plain.heic")));
    if (const QString corpus = sharedCorpusFolder();
        !corpus.isEmpty() && QFile::copy(corpus + "/hostile/Stonehenge.heic", dir.file("stonehenge.heic")))
        names << "stonehenge.heic";
    const auto tagsBefore = everyTag({dir.path()});
    const auto warningsBefore = warningsOf(dir.path());
    QMap<QString, QList<QImage>> pixels;
    for (const QString &name : names)
        pixels[name] = decodePages(dir.file(name));

    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_EQ(saveFields(dir.file(name), {"Caption \xC3\xA9t\xC3\xA9", "A. Tester", "(c) A. Tester"}), ImageStatus::Ok);
        EXPECT_EQ(decodePages(dir.file(name)), pixels[name]);
        EXPECT_FALSE(pixels[name].isEmpty());
        QProcess exiv2;
        exiv2.start("exiv2", {"-q", "-Pv", "-g", "Exif.Image.Artist", dir.file(name)});
        EXPECT_TRUE(exiv2.waitForFinished());
        EXPECT_EQ(exiv2.readAllStandardOutput(), QByteArray("A. Tester\n"));
    }
    const auto tagsAfter = everyTag({dir.path()});
    for (const QString &name : names) {
        for (const QString &key : tagsBefore.value(name).keys())
            EXPECT_EQ(tagsBefore.value(name).value(key), tagsAfter.value(name).value(key)) << name.toStdString() << " " << key.toStdString();
        for (const QByteArray &warning : warningsOf(dir.path()).value(name))
            EXPECT_TRUE(warningsBefore.value(name).contains(warning)) << name.toStdString() << ": " << warning.toStdString();
    }
    EXPECT_EQ(exifTool({"-s3", "-XMP-dc:Title-de", "-GPSLatitudeRef", dir.file("camera.avif")}), QByteArray("Hafen\nNorth\n"));
}
