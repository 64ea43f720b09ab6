#include "imaging/ExifCodec.h"
#include "imaging/ImageFormat.h"
#include "imaging/ImageHolder.h"
#include "imaging/JpegSegments.h"
#include "TestFiles.h"
#include "imaging/TiffPages.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#endif

using namespace lumicap;
using namespace lumicap::test;

TEST(AFormatProbe, goesByContentAndKnowsWhatItCannotTag)
{
    EXPECT_EQ(detectImageFormat("\xFF\xD8\xFF\xE0", 4), ImageFormat::Jpeg);
    EXPECT_EQ(detectImageFormat("MM\0*\0", 5), ImageFormat::Tiff);
    EXPECT_EQ(detectImageFormat("II+\0", 4), ImageFormat::BigTiff); // Exiv2 0.27 cannot write it
    EXPECT_EQ(detectImageFormat("\xFF\xD8", 2), ImageFormat::Other);
    EXPECT_EQ(detectImageFormat("II*\0\x10\0\0\0CR\x02\0", 12), ImageFormat::Raw); // a CR2 is TIFF inside
    EXPECT_EQ(detectImageFormat("\0\0\0\x18"
                                "ftypcrx ",
                                12),
              ImageFormat::Raw); // CR3
    EXPECT_EQ(detectImageFormat("FUJIFILMCCD-RAW 0201", 20), ImageFormat::Raw);
    EXPECT_FALSE(canHoldTags(ImageFormat::BigTiff));
    // Boxes: HEIF and AVIF by a brand of theirs, major or compatible; not a movie.
    EXPECT_EQ(detectImageFormat("\0\0\0\x18"
                                "ftypheic\0\0\0\0mif1heic",
                                24),
              ImageFormat::Heif);
    EXPECT_EQ(detectImageFormat("\0\0\0\x1C"
                                "ftypavis\0\0\0\0avifmif1miaf",
                                28),
              ImageFormat::Heif);
    EXPECT_EQ(detectImageFormat("\0\0\0\x10"
                                "ftypisom\0\0\0\0mif1",
                                20),
              ImageFormat::Other); // mif1 past the box
}

TEST(AJpegLayout, findsTheExifSegmentAndKeepsJfifFirst)
{
    TestFolder dir;
    ASSERT_TRUE(writeJpeg(dir.file("a.jpg")));
    const QByteArray plain = readAll(dir.file("a.jpg"));
    const auto layout = parseJpegLayout(plain);
    ASSERT_TRUE(layout);
    EXPECT_FALSE(layout->exifOffset);     // Qt writes JFIF without Exif
    EXPECT_EQ(layout->insertOffset, 20u); // SOI + the 18-byte JFIF APP0

    QByteArray file = plain;
    TagEdits edits;
    edits.set.push_back({0x013B, asciiType, QByteArray("Ann", 4)});
    bool unchanged = true;
    QList<QByteArray> pieces;
    ASSERT_EQ(ExifCodec::applyEdits(ImageFormat::Jpeg, file, edits, unchanged, pieces), ImageStatus::Ok);
    const QByteArray withExif = pieces.join();
    const auto again = parseJpegLayout(withExif);
    ASSERT_TRUE(again && again->exifOffset);
    EXPECT_EQ(*again->exifOffset, 20u);
    EXPECT_EQ(jpegScanData(withExif), jpegScanData(plain));
}

TEST(AJpegLayout, refusesTruncatedOrScanlessHeaders)
{
    TestFolder dir;
    ASSERT_TRUE(writeJpeg(dir.file("a.jpg")));
    const QByteArray jpeg = readAll(dir.file("a.jpg"));
    EXPECT_FALSE(parseJpegLayout(jpeg.left(30)));
    EXPECT_FALSE(parseJpegLayout(QByteArray("\xFF\xD8\xFF\xD9", 4)));
    EXPECT_FALSE(parseJpegLayout(QByteArray("\xFF\xD8\xFF\xE1\xFF\xFF", 6)));
}

TEST(TiffPages, countsEveryImageDirectoryAndRejectsLoops)
{
    TestFolder dir;
    ASSERT_TRUE(writeMultiPageTiff(dir.file("p.tif"), 5));
    EXPECT_EQ(countTiffPages(readAll(dir.file("p.tif"))), 5);

    QByteArray loop("II*\0\x08\0\0\0\0\0\x08\0\0\0", 14); // IFD at 8 pointing to itself
    EXPECT_FALSE(countTiffPages(loop));
    EXPECT_FALSE(countTiffPages(QByteArray("II*\0\xFF\0\0\0", 8)));
}

TEST(AnImageHolder, keepsTheLastFailureUntilItIsTaken)
{
    TestFolder dir;
    ImageHolder image;
    EXPECT_EQ(image.open(dir.bytePath("missing.jpg")), ImageStatus::FileNotFound);
    EXPECT_EQ(image.lastStatus(), ImageStatus::FileNotFound);
    EXPECT_EQ(image.takeStatus(), ImageStatus::FileNotFound);
    EXPECT_EQ(image.takeStatus(), ImageStatus::Ok);
    EXPECT_FALSE(image.isOpen());
}

struct OpenCase
{
    const char *name;
    QByteArray content;
    ImageStatus status;
};

class OpeningAFile : public ::testing::TestWithParam<OpenCase>
{};

TEST_P(OpeningAFile, givesItsOwnStatus)
{
    TestFolder dir;
    ASSERT_TRUE(writeAll(dir.file(GetParam().name), GetParam().content));
    ImageHolder image;
    EXPECT_EQ(image.open(dir.bytePath(GetParam().name)), GetParam().status);
}

static QByteArray gifBytes()
{
    return QByteArray("GIF89a\x01\0\x01\0\0\0\0;", 14);
}

INSTANTIATE_TEST_SUITE_P(
    Contents, OpeningAFile,
    ::testing::Values(
        OpenCase{"text.jpg", "just some text", ImageStatus::UnknownImageFormat}, OpenCase{"empty.jpg", "", ImageStatus::EmptyFile},
        OpenCase{"eps.jpg", "%!PS-Adobe-3.0 EPSF-3.0\n", ImageStatus::UnknownImageFormat},
        OpenCase{"anim.jpg", gifBytes(), ImageStatus::PropertyNotSupported},
        OpenCase{"big.tif", QByteArray("II+\0\x08\0\0\0\x10\0\0\0\0\0\0\0", 16), ImageStatus::NotImplemented},
        OpenCase{"cut.jpg",
                 QByteArray("\xFF\xD8\xFF\xE1\x00\x40"
                            "Exif\0\0II",
                            14),
                 ImageStatus::GenericError},
        OpenCase{"cut.tif", QByteArray("II*\0\xFF\xFF\0\0", 8), ImageStatus::GenericError},
        OpenCase{"zero.webp", QByteArray("RIFF\0\0\0\0WEBPVP8L\x05\0\0\0\x2F\0\0\0\0\0", 26), ImageStatus::GenericError},
        OpenCase{"riff-past-end.webp", QByteArray("RIFF\x40\0\0\0WEBPVP8L\x05\0\0\0\x2F\0\0\0\0\0", 26), ImageStatus::GenericError},
        OpenCase{"chunk-past-end.webp", QByteArray("RIFF\x12\0\0\0WEBPVP8L\xFF\xFF\xFF\xFF\x2F\0\0\0\0\0", 26), ImageStatus::GenericError},
        OpenCase{"no-picture.webp", QByteArray("RIFF\x16\0\0\0WEBPVP8X\x0A\0\0\0\0\0\0\0\0\0\0\0\0\0", 30), ImageStatus::GenericError}));

TEST(AnImageHolder, refusesFilesItMayNotReadAndThingsThatAreNotFiles)
{
    TestFolder dir;
    ImageHolder image;
#ifndef _WIN32 // modes and FIFOs are POSIX's
    ASSERT_TRUE(writeJpeg(dir.file("locked.jpg")));
    ::chmod(dir.bytePath("locked.jpg").constData(), 0);
    if (::geteuid() != 0) { // root reads anything
        EXPECT_EQ(image.open(dir.bytePath("locked.jpg")), ImageStatus::AccessDenied);
    }

    ASSERT_EQ(::mkfifo(dir.bytePath("pipe.jpg").constData(), 0644), 0);
    EXPECT_EQ(image.open(dir.bytePath("pipe.jpg")), ImageStatus::InvalidParameter); // and does not block
#endif
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.jpg"));
    EXPECT_EQ(image.open(dir.bytePath("folder.jpg")), ImageStatus::InvalidParameter);
}

TEST(AnImageHolder, reportsTheSizeWithoutDecoding)
{
    TestFolder dir;
    ASSERT_TRUE(writeJpeg(dir.file("a.jpg"), 120, 80));
    ASSERT_TRUE(writeTiff(dir.file("b.tif"), 30, 70));
    ImageHolder image;
    ASSERT_EQ(image.open(dir.bytePath("a.jpg")), ImageStatus::Ok);
    EXPECT_EQ(image.size(), QSize(120, 80));
    EXPECT_EQ(image.format(), ImageFormat::Jpeg);
    ASSERT_EQ(image.open(dir.bytePath("b.tif")), ImageStatus::Ok);
    EXPECT_EQ(image.size(), QSize(30, 70));
    EXPECT_EQ(image.format(), ImageFormat::Tiff);

    // A HEIC: its size from the boxes, its thumbnail item at once, its
    // preview by libheif at the size asked.
#ifdef _WIN32
    GTEST_SKIP() << "the HEIC is made by heif-enc, a program of the build machine";
#endif
    ASSERT_TRUE(writeHeif(dir.file("c.heic"), {"-t", "32"}));
    ASSERT_EQ(image.open(dir.bytePath("c.heic"), true), ImageStatus::Ok);
    EXPECT_EQ(image.size(), QSize(96, 64));
    EXPECT_EQ(image.thumbnail().size(), QSize(32, 20));
    EXPECT_EQ(image.preview(QSize(48, 32)).size(), QSize(48, 32));
}
