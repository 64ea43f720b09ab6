#include "SaveTestSupport.h"
#include "TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

using namespace lumicap;
using namespace lumicap::test;

namespace {
// Every tag ExifTool reads in each file (maker notes, thumbnails and previews
// as bytes), by file name; where a block lies may move, so its offset is left
// out, and so are the three fields and their copies a save changes.
// The three fields and their other copies, which a save brings in step.
const QSet<QString> copiesOfTheFields{"ImageDescription", "Artist", "Copyright", "Caption-Abstract", "By-line", "CopyrightNotice",
                                      "Description", "Creator", "Rights", "XPTitle", "XPSubject", "XPAuthor", "IPTCDigest"};

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
                || tag.endsWith("Offset") || tag.endsWith("Offsets") || tag.endsWith("Start"))
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
