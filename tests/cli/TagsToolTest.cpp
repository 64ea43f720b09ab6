#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

using namespace lumicap::test;

namespace {
struct ToolRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

ToolRun tags(const QStringList &args)
{
    QProcess process;
    process.start(LUMICAP_TAGS_BINARY, args);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}
} // namespace

class TheTagsTool : public ::testing::Test
{
protected:
    void SetUp() override
    {
        jpeg = dir.file("a.jpg");
        tiff = dir.file("b.tif");
        ASSERT_TRUE(writeJpeg(jpeg));
        ASSERT_TRUE(writeTiff(tiff));
    }
    TestFolder dir;
    QString jpeg, tiff;
};

TEST_F(TheTagsTool, setsOnlyTheFieldsItIsGiven)
{
    ToolRun r = tags({"set", "--description", "Bay at dusk", "--artist", "Ann", "--copyright", "(c) Ann", jpeg, tiff});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    r = tags({"set", "--artist", "Bob", jpeg});
    ASSERT_EQ(r.exitCode, 0);
    r = tags({"show", jpeg});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, (jpeg + "\nDescription: Bay at dusk\nArtist: Bob\nCopyright: (c) Ann\n").toUtf8());
    if (haveExifTool())
        EXPECT_EQ(exifToolValue(tiff, "ImageDescription"), QByteArray("Bay at dusk"));
}

TEST_F(TheTagsTool, showsJsonWithAStatusForEveryFile)
{
    ASSERT_EQ(tags({"set", "--description", "Überfahrt", tiff}).exitCode, 0);
    const ToolRun r = tags({"show", "--json", tiff, dir.file("missing.jpg")});
    EXPECT_EQ(r.exitCode, 1);
    const QJsonArray files = QJsonDocument::fromJson(r.out).array();
    ASSERT_EQ(files.size(), 2);
    EXPECT_EQ(files[0].toObject()["description"].toString(), QString::fromUtf8("Überfahrt"));
    EXPECT_EQ(files[0].toObject()["artist"].toString(), QString());
    EXPECT_EQ(files[0].toObject()["status"].toInt(), 0);
    EXPECT_EQ(files[1].toObject()["file"].toString(), dir.file("missing.jpg"));
    EXPECT_EQ(files[1].toObject()["status"].toInt(), 10);
}

TEST_F(TheTagsTool, removesOtherExifFieldsOnlyWhenAsked)
{
    if (!haveExifTool())
        GTEST_SKIP() << "exiftool is not installed";
    ASSERT_TRUE(exifToolWrite(jpeg, {"-IFD0:Make=Kestrel", "-IFD0:Artist=Kept"}));
    ASSERT_EQ(tags({"set", "--description", "d", jpeg}).exitCode, 0);
    EXPECT_EQ(exifToolValue(jpeg, "Make"), QByteArray("Kestrel"));
    ASSERT_EQ(tags({"set", "--remove-all-exif", jpeg}).exitCode, 0);
    EXPECT_EQ(exifToolValue(jpeg, "Make"), std::nullopt);
    EXPECT_EQ(exifToolValue(jpeg, "Artist"), QByteArray("Kept"));
}

TEST_F(TheTagsTool, reportsEachFailureAndExitsWithOne)
{
    QFile::setPermissions(tiff, QFile::ReadOwner | QFile::ReadGroup);
    const QByteArray before = readAll(tiff);
    const ToolRun r = tags({"set", "--description", "x", dir.file("gone.jpg"), tiff, jpeg});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, ("Error 10 while loading Image " + dir.file("gone.jpg") + "\nError 12 while saving Image " + tiff + "\n").toUtf8());
    EXPECT_EQ(readAll(tiff), before);
    EXPECT_EQ(tags({"show", jpeg}).out.split('\n').value(1), QByteArray("Description: x"));
}

TEST(TheTagsToolCommandLine, answersHelpVersionAndUsageErrorsAsPeopleExpect)
{
    EXPECT_EQ(tags({"--help"}).exitCode, 0);
    const ToolRun version = tags({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, QByteArray("lumicap-tags 1.0.0.1\n"));
    EXPECT_EQ(tags({}).exitCode, 2);
    EXPECT_EQ(tags({"show"}).exitCode, 2);
    EXPECT_EQ(tags({"paint", "x.jpg"}).exitCode, 2);
    EXPECT_EQ(tags({"show", "--no-such-option", "x.jpg"}).exitCode, 2);
}

TEST_F(TheTagsTool, runsABatchAndStopsOrSkipsAtImagesThatCannotBeOpened)
{
    ASSERT_TRUE(writeAll(dir.file("DESCRIPT.ION"), "a.jpg First picture\r\nmissing.jpg Gone\r\nb.tif Second picture\r\n"));
    ToolRun r = tags({"batch", dir.file("DESCRIPT.ION"), "--artist", "Ann", "--copyright", "(c) Ann"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, QByteArray("1 saved, 0 skipped, 1 failed\n"));
    EXPECT_TRUE(r.err.contains(("Error 10 while loading Image " + dir.file("missing.jpg")).toUtf8()));
    EXPECT_EQ(tagsDirectly(tiff).value(0), QByteArray());

    r = tags({"batch", "--keep-going", dir.file("DESCRIPT.ION"), "--artist", "Ann"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QByteArray("2 saved, 1 skipped, 0 failed\n"));
    EXPECT_EQ(tagsDirectly(tiff), (QList<QByteArray>{"Second picture", "Ann", ""}));
    EXPECT_TRUE(r.err.contains("[100%] b.tif"));

    r = tags({"batch", dir.file("none.txt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, ("Can't find file " + dir.file("none.txt") + "\n").toUtf8());
    EXPECT_EQ(tags({"batch", dir.file("DESCRIPT.ION"), dir.file("DESCRIPT.ION")}).exitCode, 2);
}

TEST_F(TheTagsTool, takesFileNamesThatLookLikeOptionsAfterTwoDashes)
{
    const QString dashed = dir.file("-dashed.jpg");
    ASSERT_TRUE(QFile::copy(jpeg, dashed));
    ASSERT_EQ(tags({"set", "--description", "Dashed", "--", dashed}).exitCode, 0);
    QDir::setCurrent(dir.path());
    EXPECT_EQ(tags({"show", "--", "-dashed.jpg"}).out.split('\n').value(1), QByteArray("Description: Dashed"));
}
