#include "ExivCompat.h"
#include "MetadataReader.h"
#include "SaveTestSupport.h"
#include "TestFiles.h"

#include <QColorSpace>
#include <QFile>
#include <QImageReader>

#include <gtest/gtest.h>

using namespace lumicap;
using namespace lumicap::test;

namespace {
const MetadataFields sample{"A quiet harbour", "Ann Example", "(c) 2026 Ann Example"};

bool makeImage(const QString &ext, const QString &path)
{
    return ext == "jpg" ? writeJpeg(path, 96, 64) : ext == "tif" ? writeTiff(path, 96, 64) : writePng(path, 96, 64);
}
} // namespace

class WritingTags : public ::testing::TestWithParam<const char *>
{
protected:
    void SetUp() override
    {
        if (!haveExifTool())
            GTEST_SKIP() << "exiftool is not installed";
        path = dir.file(QString("photo.") + GetParam());
        ASSERT_TRUE(makeImage(GetParam(), path));
        ASSERT_TRUE(exifToolWrite(path, {"-IFD0:Make=Kestrel", "-IFD0:Model=K1", "-ExifIFD:ExposureTime=1/250",
                                         "-GPS:GPSLatitude=48.5", "-GPS:GPSLatitudeRef=N", "-XMP-dc:Title=Harbour"}));
        pixels = decodePages(path);
        ASSERT_FALSE(pixels.isEmpty());
    }

    TestFolder dir;
    QString path;
    QList<QImage> pixels;
};

TEST_P(WritingTags, storesTheFieldsWhereExifToolFindsThemAndKeepsEverythingElse)
{
    const QByteArray before = readAll(path);
    ASSERT_EQ(saveFields(path, sample), ImageStatus::Ok);

    EXPECT_EQ(exifToolValue(path, "ImageDescription"), sample.description);
    EXPECT_EQ(exifToolValue(path, "Artist"), sample.artist);
    EXPECT_EQ(exifToolValue(path, "Copyright"), sample.copyright);
    EXPECT_EQ(exifToolValue(path, "Make"), QByteArray("Kestrel"));
    EXPECT_EQ(exifToolValue(path, "Model"), QByteArray("K1"));
    EXPECT_EQ(exifTool({"-s3", "-ExposureTime", "-GPSLatitudeRef", "-XMP-dc:Title", path}), QByteArray("1/250\nNorth\nHarbour\n"));
    EXPECT_EQ(decodePages(path), pixels);
    if (QString(GetParam()) == "jpg")
        EXPECT_EQ(jpegScanData(readAll(path)), jpegScanData(before));
    EXPECT_EQ(leftovers(dir.path()), QStringList());
    // The format is the file's own.
    EXPECT_EQ(readAll(path).left(2), before.left(2));
}

TEST_P(WritingTags, removesEveryOtherExifFieldWhenAskedButKeepsThePicture)
{
    ASSERT_EQ(saveFields(path, sample, true), ImageStatus::Ok);

    EXPECT_EQ(exifToolValue(path, "ImageDescription"), sample.description);
    EXPECT_EQ(exifToolValue(path, "Make"), std::nullopt);
    EXPECT_EQ(exifToolValue(path, "Model"), std::nullopt);
    EXPECT_EQ(exifTool({"-s3", "-ExposureTime", "-GPSLatitudeRef", path}), QByteArray());
    EXPECT_EQ(exifTool({"-s3", "-XMP-dc:Title", path}), QByteArray("Harbour\n")); // XMP is not Exif
    EXPECT_EQ(decodePages(path), pixels);
}

TEST_P(WritingTags, writesEmptyFieldsAsPresentTagsOfOneZeroByte)
{
    ASSERT_EQ(saveFields(path, MetadataFields()), ImageStatus::Ok);
    ImageStatus status;
    auto image = OpenImageFile(QFile::encodeName(path), status);
    ASSERT_EQ(status, ImageStatus::Ok);
    int found = 0;
    for (const TagItem &tag : image->tags()) {
        if (tag.group == "Image" && (tag.id == 0x010E || tag.id == 0x013B || tag.id == 0x8298)) {
            EXPECT_EQ(tag.type, 2);
            EXPECT_EQ(tag.value, QByteArray(1, '\0'));
            ++found;
        }
    }
    EXPECT_EQ(found, 3);
    EXPECT_EQ(exifTool({"-s3", "-f", "-IFD0:Artist", path}), QByteArray("\n")); // present, empty
}

TEST_P(WritingTags, roundTripsAnyBytesAndLongTextsExactly)
{
    QByteArray anyBytes;
    for (int b = 1; b < 256; ++b)
        anyBytes.append(static_cast<char>(b));
    const QByteArray longText = QByteArray("Long ") + QByteArray(5000, 'x') + " end";
    const MetadataFields fields{longText, QByteArray("Fran\xE7ois \x80", 10), anyBytes};
    ASSERT_EQ(saveFields(path, fields), ImageStatus::Ok);
    EXPECT_EQ(readFields(path), fields);
    EXPECT_EQ(exifToolValue(path, "ImageDescription"), longText);

    // Saving what was read changes nothing.
    const QByteArray saved = readAll(path);
    ASSERT_EQ(saveFields(path, readFields(path)), ImageStatus::Ok);
    EXPECT_EQ(readAll(path), saved);
}

INSTANTIATE_TEST_SUITE_P(Formats, WritingTags, ::testing::Values("jpg", "tif", "png"));

TEST(WritingJpegTags, keepsThumbnailIccXmpAndIptcByteForByte)
{
    if (!haveExifTool())
        GTEST_SKIP() << "exiftool is not installed";
    TestFolder dir;
    const QString path = dir.file("a.jpg");
    ASSERT_TRUE(writeJpeg(path, 400, 300));
    ASSERT_TRUE(writeJpeg(dir.file("thumb.jpg"), 40, 30, 7));
    ASSERT_TRUE(writeAll(dir.file("srgb.icc"), QColorSpace(QColorSpace::SRgb).iccProfile()));
    ASSERT_TRUE(exifToolWrite(path, {"-ThumbnailImage<=" + dir.file("thumb.jpg"), "-ICC_Profile<=" + dir.file("srgb.icc"),
                                     "-XMP-dc:Subject=boats", "-IPTC:Keywords=harbour", "-Comment=kept"}));
    const QByteArray thumbnail = exifTool({"-b", "-ThumbnailImage", path});
    const QByteArray icc = exifTool({"-b", "-ICC_Profile", path});
    const QByteArray xmp = exifTool({"-b", "-XMP", path});
    ASSERT_FALSE(thumbnail.isEmpty());

    ASSERT_EQ(saveFields(path, sample), ImageStatus::Ok);
    EXPECT_EQ(exifTool({"-b", "-ThumbnailImage", path}), thumbnail);
    EXPECT_EQ(exifTool({"-b", "-ICC_Profile", path}), icc);
    EXPECT_EQ(exifTool({"-b", "-XMP", path}), xmp);
    EXPECT_EQ(exifTool({"-s3", "-IPTC:Keywords", "-Comment", path}), QByteArray("harbour\nkept\n"));

    ASSERT_EQ(saveFields(path, sample, true), ImageStatus::Ok); // removes the thumbnail (Exif) only
    EXPECT_EQ(exifTool({"-b", "-ThumbnailImage", path}), QByteArray());
    EXPECT_EQ(exifTool({"-b", "-ICC_Profile", path}), icc);
}

TEST(WritingJpegTags, refusesToDropAnythingWhenTheExifBlockWouldOverflow)
{
    TestFolder dir;
    const QString path = dir.file("a.jpg");
    ASSERT_TRUE(writeJpeg(path));
    ASSERT_EQ(saveFields(path, {QByteArray(30000, 'd'), "a", "c"}), ImageStatus::Ok);
    const QByteArray before = readAll(path);

    // 30 KB + 40 KB no longer fits one Exif segment; Exiv2 would drop a tag.
    EXPECT_EQ(saveFields(path, {QByteArray(30000, 'd'), QByteArray(40000, 'a'), "c"}), ImageStatus::ValueOverflow);
    EXPECT_EQ(readAll(path), before);
    EXPECT_EQ(leftovers(dir.path()), QStringList());
}

TEST(SavingTags, keepsEveryPageOfAMultiPageTiff)
{
    TestFolder dir;
    const QString path = dir.file("pages.tif");
    ASSERT_TRUE(writeMultiPageTiff(path, 6));
    const QList<QImage> pages = decodePages(path);
    ASSERT_EQ(pages.size(), 6);

    const ImageStatus plain = saveFields(path, sample);
    const QByteArray afterPlain = readAll(path);
    const ImageStatus removing = saveFields(path, sample, true);
    // Either every page survives, or the save is refused and nothing changes.
    EXPECT_EQ(decodePages(path), pages);
    if (plain == ImageStatus::Ok)
        EXPECT_EQ(readFields(path), sample);
    if (removing != ImageStatus::Ok)
        EXPECT_EQ(readAll(path), afterPlain);
    EXPECT_EQ(plain, ImageStatus::Ok);
    EXPECT_EQ(removing, ImageStatus::Ok);
}

TEST(SavingTags, keepsAFileInTheFormatItHasWhateverItsName)
{
    TestFolder dir;
    const QString path = dir.file("really-a-png.jpg");
    ASSERT_TRUE(writePng(path));
    const QList<QImage> pixels = decodePages(path);
    ASSERT_EQ(saveFields(path, sample), ImageStatus::Ok);
    EXPECT_TRUE(readAll(path).startsWith("\x89PNG"));
    EXPECT_EQ(decodePages(path), pixels);
    EXPECT_EQ(readFields(path), sample);
}

TEST(SavingTags, refusesFormatsThatCannotHoldTheTags)
{
    TestFolder dir;
    const QString path = dir.file("anim.jpg");
    ASSERT_TRUE(patternImage(8, 8).save(path, "GIF") || patternImage(8, 8).save(path, "BMP"));
    const QByteArray before = readAll(path);
    EXPECT_EQ(saveFields(path, sample), ImageStatus::PropertyNotSupported);
    EXPECT_EQ(readAll(path), before);
}

TEST(SavingTiffTags, wipesReplacedAndRemovedValuesAndDoesNotGrowOnRepeatedSaves)
{
    if (!haveExifTool())
        GTEST_SKIP() << "exiftool is not installed";
    TestFolder dir;
    const QString path = dir.file("a.tif");
    ASSERT_TRUE(writeTiff(path, 50, 40));
    ASSERT_TRUE(exifToolWrite(path, {"-IFD0:ImageDescription=OldSecretDescription", "-IFD0:Make=SecretMaker123",
                                     "-GPS:GPSLatitude=48.5", "-GPS:GPSLatitudeRef=N"}));
    const QList<QImage> pixels = decodePages(path);

    ASSERT_EQ(saveFields(path, {"first text", "a", "c"}), ImageStatus::Ok);
    EXPECT_FALSE(readAll(path).contains("OldSecretDescription"));
    EXPECT_TRUE(readAll(path).contains("SecretMaker123"));
    const qsizetype size = readAll(path).size();
    ASSERT_EQ(saveFields(path, {"other text", "b", "d"}), ImageStatus::Ok);
    EXPECT_EQ(readAll(path).size(), size);

    ASSERT_EQ(saveFields(path, {"other text", "b", "d"}, true), ImageStatus::Ok);
    EXPECT_FALSE(readAll(path).contains("SecretMaker123"));
    EXPECT_EQ(exifTool({"-s3", "-GPSLatitudeRef", path}), QByteArray());
    EXPECT_EQ(decodePages(path), pixels);
    EXPECT_EQ(exifTool({"-s3", "-validate", "-warning", "-error", path}), QByteArray("OK\n"));
}
