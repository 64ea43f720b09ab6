#include "imaging/ExivCompat.h"
#include "metadata/MetadataReader.h"
#include "SaveTestSupport.h"
#include "TestFiles.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace lumicap;
using namespace lumicap::test;

class ReadingTags : public ::testing::TestWithParam<const char *>
{
protected:
    QString makeImage(const TestFolder &dir)
    {
        const QString ext = GetParam();
        const QString path = dir.file("image." + ext);
        const bool ok = ext == "jpg" ? writeJpeg(path) : ext == "tif" ? writeTiff(path) : writePng(path);
        EXPECT_TRUE(ok);
        return path;
    }
};

// Missing tags read as empty; then what ExifTool wrote is found.
TEST_P(ReadingTags, findsWhatExifToolWrote)
{
    if (!haveExifTool())
        GTEST_SKIP() << "exiftool is not installed";
    TestFolder dir;
    const QString path = makeImage(dir);
    ImageStatus status;
    EXPECT_EQ(readFields(path, &status), MetadataFields());
    EXPECT_EQ(status, ImageStatus::Ok);
    ASSERT_TRUE(exifToolWrite(path, {"-IFD0:ImageDescription=Sunset över sjön", "-IFD0:Artist=Ann Example", "-IFD0:Copyright=(c) 2026 Ann"}));
    const MetadataFields fields = readFields(path, &status);
    ASSERT_EQ(status, ImageStatus::Ok);
    EXPECT_EQ(fields.description, QByteArray("Sunset över sjön"));
    EXPECT_EQ(fields.artist, QByteArray("Ann Example"));
    EXPECT_EQ(fields.copyright, QByteArray("(c) 2026 Ann"));
}

INSTANTIATE_TEST_SUITE_P(Formats, ReadingTags, ::testing::Values("jpg", "tif", "png"));

// Tags of another type and with bytes after a zero, as other programs write
// them; made with Exiv2 directly.
TEST(ReadingOddTags, takesBytesUpToTheFirstZeroWhateverTheType)
{
    TestFolder dir;
    const QString path = dir.file("odd.jpg");
    ASSERT_TRUE(writeJpeg(path));
    {
        auto image = Exiv2::ImageFactory::open(path.toStdString());
        image->readMetadata();
        Exiv2::ExifData exif;
        auto undefinedValue = Exiv2::Value::create(Exiv2::undefined);
        undefinedValue->read(reinterpret_cast<const Exiv2::byte *>("first\0second"), 12, Exiv2::littleEndian);
        exif.add(Exiv2::ExifKey("Exif.Image.ImageDescription"), undefinedValue.get());
        auto byteValue = Exiv2::Value::create(Exiv2::unsignedByte);
        byteValue->read(reinterpret_cast<const Exiv2::byte *>("Bob"), 3, Exiv2::littleEndian); // no zero at all
        exif.add(Exiv2::ExifKey("Exif.Image.Artist"), byteValue.get());
        image->setExifData(exif);
        image->writeMetadata();
    }
    const MetadataFields fields = readFields(path);
    EXPECT_EQ(fields.description, QByteArray("first"));
    EXPECT_EQ(fields.artist, QByteArray("Bob"));
    EXPECT_EQ(fields.copyright, QByteArray());
}
