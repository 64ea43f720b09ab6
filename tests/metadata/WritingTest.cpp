#include "imaging/ExivCompat.h"
#include "metadata/Journal.h"
#include "metadata/MetadataReader.h"
#include "metadata/MetadataWriter.h"
#include "metadata/SafeSave.h"
#include "SaveTestSupport.h"
#include "metadata/SaveUndo.h"
#include "imaging/Sidecars.h"
#include "TestFiles.h"

#include <QColorSpace>
#include <QFile>
#include <QImageReader>
#include <QStandardPaths>
#include <QtEndian>

#include <functional>

#include <gtest/gtest.h>

using namespace lumicap;
using namespace lumicap::test;

namespace {
const MetadataFields harbour{"A quiet harbour", "Ann Example", "(c) 2026 Ann Example"};

bool makeImage(const QString &ext, const QString &path)
{
    if (ext == "heic" || ext == "avif")
        return writeHeif(path);
    if (ext.endsWith("webp"))
        return writeWebp(path, ext == "webp" ? "lossy" : ext.section('.', 0, 0), 96, 64);
    return ext == "jpg" ? writeJpeg(path, 96, 64) : ext == "tif" ? writeTiff(path, 96, 64) : writePng(path, 96, 64);
}

// A WebP's chunks but its header, Exif and XMP, as they are stored.
QByteArrayList webpPictureChunks(const QByteArray &webp)
{
    QByteArrayList chunks;
    for (qsizetype at = 12; at + 8 <= webp.size();) {
        const qsizetype size = qFromLittleEndian<quint32>(webp.constData() + at + 4);
        const QByteArray code = webp.mid(at, 4);
        if (code != "VP8X" && code != "EXIF" && code != "XMP ")
            chunks << webp.mid(at, 8 + size + size % 2);
        at += 8 + size + size % 2;
    }
    return chunks;
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
        ASSERT_TRUE(exifToolWrite(path,
                                  {"-IFD0:Make=Kestrel", "-IFD0:Model=K1", "-ExifIFD:ExposureTime=1/250", "-GPS:GPSLatitude=48.5",
                                   "-GPS:GPSLatitudeRef=N", "-XMP-dc:Title=Harbour"}));
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
    ASSERT_EQ(saveFields(path, harbour), ImageStatus::Ok);

    EXPECT_EQ(exifToolValue(path, "ImageDescription"), harbour.description);
    EXPECT_EQ(exifToolValue(path, "Artist"), harbour.artist);
    EXPECT_EQ(exifToolValue(path, "Copyright"), harbour.copyright);
    EXPECT_EQ(exifToolValue(path, "Make"), QByteArray("Kestrel"));
    EXPECT_EQ(exifToolValue(path, "Model"), QByteArray("K1"));
    EXPECT_EQ(exifTool({"-s3", "-ExposureTime", "-GPSLatitudeRef", "-XMP-dc:Title", path}), QByteArray("1/250\nNorth\nHarbour\n"));
    EXPECT_EQ(decodePages(path), pixels);
    if (QString(GetParam()) == "jpg") {
        EXPECT_EQ(jpegScanData(readAll(path)), jpegScanData(before));
    }
    EXPECT_EQ(leftovers(dir.path()), QStringList());
    // The format is the file's own.
    EXPECT_EQ(readAll(path).left(2), before.left(2));
}

TEST_P(WritingTags, removesEveryOtherExifFieldWhenAskedButKeepsThePicture)
{
    ASSERT_EQ(saveFields(path, harbour, true), ImageStatus::Ok);

    EXPECT_EQ(exifToolValue(path, "ImageDescription"), harbour.description);
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
    auto image = openImageFile(QFile::encodeName(path), status);
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

INSTANTIATE_TEST_SUITE_P(Formats, WritingTags, ::testing::Values("jpg", "tif", "png", "webp", "alpha.webp", "anim.webp", "heic", "avif"));

// libwebp's own tools make the files and judge the result: webpinfo checks
// the container, dwebp decodes the same pixels.
TEST(WritingWebpTags, addsTheHeaderASimpleFileLacksAndCopiesEveryPictureChunk)
{
    TestFolder dir;
    for (const QString kind : {"lossy", "alpha", "anim"}) {
        SCOPED_TRACE(kind.toStdString());
        const QString path = dir.file(kind + ".webp");
        if (!haveExifTool() || !writeWebp(path, kind))
            GTEST_SKIP() << "exiftool or the WebP tools are not installed";
        const QByteArray before = readAll(path);
        const auto pixels = kind == "anim" ? std::nullopt : runTool("dwebp", {"-quiet", "-pam", path, "-o", "-"});

        ASSERT_EQ(saveFields(path, harbour), ImageStatus::Ok);
        const QByteArray after = readAll(path);
        EXPECT_EQ(webpPictureChunks(after), webpPictureChunks(before));
        EXPECT_TRUE(runTool("webpinfo", {"-quiet", path}));
        EXPECT_EQ(exifTool({"-s3", "-validate", path}), QByteArray("OK\n"));
        EXPECT_EQ(readFields(path), harbour);
        EXPECT_EQ(exifToolValue(path, "Copyright"), harbour.copyright);
        if (pixels) {
            EXPECT_EQ(runTool("dwebp", {"-quiet", "-pam", path, "-o", "-"}), pixels);
        }

        // XMP the file has is brought in step, an XMP chunk of odd length
        // (with its pad byte) as well as an even one; removing all Exif takes
        // the chunk away.
        for (const auto &[old, text] : {std::pair{"old", QByteArray("new")}, std::pair{"olde", QByteArray("newer")}}) {
            ASSERT_TRUE(exifToolWrite(path, {QStringLiteral("-XMP-dc:Description=") + old, "-XMP-xmp:Rating=3"}));
            ASSERT_EQ(saveFields(path, {text, "", ""}, true), ImageStatus::Ok);
            EXPECT_EQ(exifTool({"-s3", "-XMP-dc:Description", "-XMP-xmp:Rating", "-validate", path}), text + "\n3\nOK\n");
            EXPECT_EQ(webpPictureChunks(readAll(path)), webpPictureChunks(before));
        }

        // Bytes some writers leave behind the RIFF data stay there.
        ASSERT_TRUE(writeAll(path, readAll(path) + "trailer"));
        ASSERT_EQ(saveFields(path, harbour), ImageStatus::Ok);
        EXPECT_TRUE(readAll(path).endsWith("trailer"));
        EXPECT_EQ(readFields(path), harbour);
    }
}

// A HEIC with Exif, XMP and a thumbnail item, changed one way per row. Boxes
// that cannot be trusted are refused with status 1 when opened, and the file
// stays as it was; well-formed variants are saved and still decode.
TEST(SavingHeifTags, isRefusedWhenItsBoxesCannotBeTrustedAndSavedWhenTheyCan)
{
    if (!haveExifTool())
        GTEST_SKIP() << "exiftool is not installed";
    TestFolder dir;
    ASSERT_TRUE(writeHeif(dir.file("a.heic"), {"-t", "32"}) && exifToolWrite(dir.file("a.heic"), {"-IFD0:Make=Kestrel", "-XMP-dc:Title=T"}));
    const QByteArray good = readAll(dir.file("a.heic"));
    const auto patched = [&good](const QByteArray &find, int at, const QByteArray &bytes) {
        QByteArray b = good;
        return b.replace(b.indexOf(find) + at, bytes.size(), bytes);
    };
    const qsizetype thmb = good.indexOf("thmb");
    const struct
    {
        const char *name;
        QByteArray bytes;
        bool valid;
    } rows[] = {
        {"truncated in its meta box", good.left(good.indexOf("iloc") + 20), false},
        {"a 64-bit box size past the end", patched("iinf", -4, QByteArray("\0\0\0\1iinf\0\0\0\0\0\1\0\0", 16)), false},
        {"a box of size 0 inside meta", patched("iinf", -4, QByteArray(4, '\0')), false},
        {"data cut off, with an mdat running to the end", patched("mdat", -4, QByteArray(4, '\0')).chopped(100), false},
        {"a thumbnail referring to itself", patched("thmb", 4, good.mid(thmb + 8, 2)), false},
        {"an XMP item claiming to be a second Exif", patched("mime\0application/rdf+xml", 0, "Exif"), false},
        {"a movie box", good + QByteArray("\0\0\0\x08moov", 8), false},
        {"an mdat running to the end", patched("mdat", -4, QByteArray(4, '\0')), true},
        {"a box with a 64-bit size",
         good
             + QByteArray("\0\0\0\1free\0\0\0\0\0\0\0\x14"
                          "free",
                          20),
         true},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = dir.file("case.heic");
        ASSERT_TRUE(writeAll(path, row.bytes));
        const QList<QImage> pixels = decodePages(path);
        const ImageStatus status = saveFields(path, {QByteArray(300, 'd'), "Ann", "(c) Ann"});
        if (!row.valid) {
            EXPECT_EQ(status, ImageStatus::GenericError);
            EXPECT_EQ(readAll(path), row.bytes);
            continue;
        }
        EXPECT_EQ(status, ImageStatus::Ok);
        EXPECT_EQ(exifToolValue(path, "Make"), QByteArray("Kestrel"));
        EXPECT_EQ(exifToolValue(path, "Artist"), QByteArray("Ann"));
        EXPECT_EQ(decodePages(path), pixels);
    }
}

TEST(WritingJpegTags, keepsThumbnailIccXmpAndIptcByteForByte)
{
    if (!haveExifTool())
        GTEST_SKIP() << "exiftool is not installed";
    TestFolder dir;
    const QString path = dir.file("a.jpg");
    ASSERT_TRUE(writeJpeg(path, 400, 300));
    ASSERT_TRUE(writeJpeg(dir.file("thumb.jpg"), 40, 30, 7));
    ASSERT_TRUE(writeAll(dir.file("srgb.icc"), QColorSpace(QColorSpace::SRgb).iccProfile()));
    ASSERT_TRUE(exifToolWrite(path,
                              {"-ThumbnailImage<=" + dir.file("thumb.jpg"), "-ICC_Profile<=" + dir.file("srgb.icc"), "-XMP-dc:Subject=boats",
                               "-IPTC:Keywords=harbour", "-Comment=kept"}));
    const QByteArray thumbnail = exifTool({"-b", "-ThumbnailImage", path});
    const QByteArray icc = exifTool({"-b", "-ICC_Profile", path});
    const QByteArray xmp = exifTool({"-b", "-XMP", path});
    ASSERT_FALSE(thumbnail.isEmpty());

    ASSERT_EQ(saveFields(path, harbour), ImageStatus::Ok);
    EXPECT_EQ(exifTool({"-b", "-ThumbnailImage", path}), thumbnail);
    EXPECT_EQ(exifTool({"-b", "-ICC_Profile", path}), icc);
    EXPECT_EQ(exifTool({"-b", "-XMP", path}), xmp);
    EXPECT_EQ(exifTool({"-s3", "-IPTC:Keywords", "-Comment", path}), QByteArray("harbour\nkept\n"));

    ASSERT_EQ(saveFields(path, harbour, true), ImageStatus::Ok); // removes the thumbnail (Exif) only
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

    ASSERT_EQ(saveFields(path, harbour), ImageStatus::Ok);
    EXPECT_EQ(readFields(path), harbour);
    EXPECT_EQ(decodePages(path), pages);
    ASSERT_EQ(saveFields(path, harbour, true), ImageStatus::Ok);
    EXPECT_EQ(decodePages(path), pages);
}

TEST(SavingTags, keepsAFileInTheFormatItHasWhateverItsName)
{
    TestFolder dir;
    const QString path = dir.file("really-a-png.jpg");
    ASSERT_TRUE(writePng(path));
    const QList<QImage> pixels = decodePages(path);
    ASSERT_EQ(saveFields(path, harbour), ImageStatus::Ok);
    EXPECT_TRUE(readAll(path).startsWith("\x89PNG"));
    EXPECT_EQ(decodePages(path), pixels);
    EXPECT_EQ(readFields(path), harbour);
}

TEST(SavingTiffTags, wipesReplacedAndRemovedValuesAndDoesNotGrowOnRepeatedSaves)
{
    if (!haveExifTool())
        GTEST_SKIP() << "exiftool is not installed";
    TestFolder dir;
    const QString path = dir.file("a.tif");
    ASSERT_TRUE(writeTiff(path, 50, 40));
    ASSERT_TRUE(exifToolWrite(
        path, {"-IFD0:ImageDescription=OldSecretDescription", "-IFD0:Make=SecretMaker123", "-GPS:GPSLatitude=48.5", "-GPS:GPSLatitudeRef=N"}));
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

namespace {
// The raw bytes of one of the first directory's entries, as Exiv2 reads them.
std::optional<QByteArray> rawTag(const QString &path, std::uint16_t id)
{
    ImageStatus status;
    const auto image = openImageFile(QFile::encodeName(path), status);
    for (const TagItem &tag : image ? image->tags() : std::vector<TagItem>()) {
        if (tag.group == primaryGroup && tag.id == id)
            return tag.value;
    }
    return std::nullopt;
}

ImageStatus saveRaw(const QString &path, std::uint16_t id, const QByteArray &value)
{
    ImageStatus status;
    const auto image = openImageFile(QFile::encodeName(path), status);
    if (status == ImageStatus::Ok)
        image->setTag({id, asciiType, value, primaryGroup});
    return status == ImageStatus::Ok ? saveImageFile(*image, QFile::encodeName(path)) : status;
}

ImageStatus saveOnly(const QString &path, const MetadataFields &fields, FieldSelection which)
{
    ImageStatus status;
    const auto image = openImageFile(QFile::encodeName(path), status);
    if (status == ImageStatus::Ok)
        writeMetadata(*image, fields, which, false);
    return status == ImageStatus::Ok ? saveImageFile(*image, QFile::encodeName(path)) : status;
}

qsizetype exifSegmentLength(const QByteArray &jpeg)
{
    const qsizetype at = jpeg.indexOf(QByteArray("Exif\0\0", 6));
    return at < 4 ? -1 : (static_cast<unsigned char>(jpeg[at - 2]) << 8) | static_cast<unsigned char>(jpeg[at - 1]);
}
} // namespace

// The Exif block of a JPEG is edited, never re-encoded: what a save is not
// asked to change keeps its exact bytes, and the block keeps its length when
// the new entries fit into the space the old ones used.
TEST(EditingJpegExif, changesOnlyWhatWasAskedAndKeepsTheBlockLengthWhenItCan)
{
    if (!haveExifTool())
        GTEST_SKIP() << "exiftool is not installed";
    const QByteArray twoParts("Ann Example\0Ed Itor\0", 20);
    const QByteArray padded = QByteArray("Ann") + QByteArray(29, '\0');
    struct Case
    {
        const char *name;
        std::function<void(const QString &)> save;
        std::function<void(const QString &, const QByteArray &before)> check;
    };
    const Case cases[] = {
        {"a copyright of two parts keeps its second part when another field is saved",
         [&](const QString &p) {
             ASSERT_EQ(saveOnly(p, {"New caption", {}, {}}, {true, false, false}), ImageStatus::Ok);
         },
         [&](const QString &p, const QByteArray &) {
             EXPECT_EQ(rawTag(p, copyrightTag), twoParts);
             EXPECT_EQ(exifToolValue(p, "ImageDescription"), QByteArray("New caption"));
         }},
        {"a padded value saved as the same text writes nothing",
         [&](const QString &p) {
             ASSERT_EQ(saveFields(p, {"Old caption", "Ann", "Ann Example"}), ImageStatus::Ok);
         },
         [&](const QString &p, const QByteArray &before) { EXPECT_EQ(readAll(p), before); }},
        {"a field not asked for is not created",
         [&](const QString &p) {
             ASSERT_TRUE(exifToolWrite(p, {"-IFD0:Artist=", "-IFD0:Copyright="}));
             ASSERT_EQ(saveOnly(p, {"Only this", {}, {}}, {true, false, false}), ImageStatus::Ok);
         },
         [&](const QString &p, const QByteArray &) {
             EXPECT_EQ(exifToolValue(p, "Artist"), std::nullopt);
             EXPECT_EQ(exifToolValue(p, "Copyright"), std::nullopt);
         }},
        {"a shorter text keeps the segment's length",
         [&](const QString &p) {
             ASSERT_EQ(saveFields(p, {"Short", "A", "C"}), ImageStatus::Ok);
         },
         [&](const QString &p, const QByteArray &before) {
             EXPECT_EQ(exifSegmentLength(readAll(p)), exifSegmentLength(before));
             EXPECT_EQ(readAll(p).size(), before.size());
             EXPECT_FALSE(readAll(p).contains("Old caption"));
         }},
        {"a longer text appends the directory and keeps every other entry",
         [&](const QString &p) {
             ASSERT_EQ(saveFields(p, {QByteArray(3000, 'd'), "A", "C"}), ImageStatus::Ok);
         },
         [&](const QString &p, const QByteArray &before) {
             EXPECT_GT(exifSegmentLength(readAll(p)), exifSegmentLength(before));
             EXPECT_EQ(exifToolValue(p, "ImageDescription"), QByteArray(3000, 'd'));
         }},
        {"a segment that had to grow leaves room: the next, longer text keeps its length and the exiv2 tool reads it",
         [&](const QString &p) {
             ASSERT_EQ(saveFields(p, {QByteArray(1500, 'd'), "A", "C"}), ImageStatus::Ok);
             const QByteArray grown = readAll(p);
             ASSERT_EQ(saveFields(p, {QByteArray(1900, 'e'), "A", "C"}), ImageStatus::Ok);
             EXPECT_EQ(readAll(p).size(), grown.size());
         },
         [&](const QString &p, const QByteArray &) {
             EXPECT_EQ(runTool("exiv2", {"-Pv", "-g", "Exif.Image.ImageDescription", p}), QByteArray(1900, 'e') + '\n');
         }},
        {"a segment headed Exif NUL 0xFF is edited as the Exif segment, not joined by a second",
         [&](const QString &p) {
             ASSERT_TRUE(writeAll(p, readAll(p).replace(QByteArray("Exif\0\0", 6), QByteArray("Exif\0\xFF", 6))));
             ASSERT_EQ(saveFields(p, {"Short", "A", "C"}), ImageStatus::Ok);
         },
         [&](const QString &p, const QByteArray &) { EXPECT_EQ(readAll(p).count("Exif\0"), 1); }},
        {"saves of texts alternately long and short do not grow the segment",
         [&](const QString &p) {
             qsizetype first = 0;
             for (int i = 0; i < 5; ++i) {
                 ASSERT_EQ(saveFields(p, {i % 2 ? QByteArray("Short") : QByteArray(300, 'd'), "A", "C"}), ImageStatus::Ok);
                 first = first ? first : exifSegmentLength(readAll(p));
             }
             EXPECT_EQ(exifSegmentLength(readAll(p)), first);
         },
         [&](const QString &p, const QByteArray &) { EXPECT_EQ(exifToolValue(p, "ImageDescription"), QByteArray(300, 'd')); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TestFolder dir;
        const QString path = dir.file("photo.jpg");
        ASSERT_TRUE(writeJpeg(path, 80, 60));
        ASSERT_TRUE(exifToolWrite(path,
                                  {"-IFD0:Make=Kestrel", "-IFD0:PhotometricInterpretation=RGB", "-ExifIFD:ExposureTime=1/250",
                                   "-GPS:GPSLatitude=48.5", "-IFD0:ImageDescription=Old caption"}));
        ASSERT_EQ(saveRaw(path, copyrightTag, twoParts), ImageStatus::Ok);
        ASSERT_EQ(saveRaw(path, artistTag, padded), ImageStatus::Ok);
        const QByteArray tagsBefore = exifTool({"-a", "-G1", "-s", "-e", "-x", "IFD0:all", "--File:all", "--System:all", path});
        const QByteArray before = readAll(path);
        ASSERT_TRUE(writeAll(dir.file("before.jpg"), before));

        c.save(path);
        c.check(path, before);
        EXPECT_EQ(exifTool({"-a", "-G1", "-s", "-e", "-x", "IFD0:all", "--File:all", "--System:all", path}), tagsBefore);
        EXPECT_EQ(exifTool({"-s3", "-IFD0:PhotometricInterpretation", "-IFD0:Make", path}), QByteArray("RGB\nKestrel\n"));
        EXPECT_EQ(jpegScanData(readAll(path)), jpegScanData(before));
        EXPECT_EQ(exifTool({"-validate", "-warning", "-a", "-s3", path}), exifTool({"-validate", "-warning", "-a", "-s3", dir.file("before.jpg")}));
    }
}

// A Canon maker note points at data behind the picture with a file offset;
// when the Exif segment grows, the data moves and so must the offset. A value
// of the first directory that lies inside the thumbnail is replaced without
// touching the thumbnail.
TEST(EditingJpegExif, movesACanonFileOffsetAlongAndKeepsTheThumbnail)
{
    if (!haveExifTool())
        GTEST_SKIP() << "exiftool is not installed";
    TestFolder dir;
    const QString path = dir.file("canon.jpg");
    ASSERT_TRUE(writeJpeg(path, 40, 30));
    const auto le = [](std::uint32_t v, int n) {
        QByteArray b;
        for (int i = 0; i < n; ++i)
            b.append(static_cast<char>((v >> (8 * i)) & 0xFF));
        return b;
    };
    const auto entry = [&](std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value) {
        return le(tag, 2) + le(type, 2) + le(count, 4) + le(value, 4);
    };
    // Header, first directory (Make, Artist, Exif pointer; next: thumbnail
    // directory), "Canon", Exif directory (maker note), maker note directory
    // (0x0083, a file offset), thumbnail directory, thumbnail (holding the
    // Artist's bytes).
    const QByteArray thumbnail("\xFF\xD8 Thumbnail bytes \xFF\xD9", 21);
    QByteArray block = QByteArray("II*\0", 4) + le(8, 4) + le(3, 2) + entry(0x010F, 2, 6, 50) + entry(artistTag, 2, 6, 126) + entry(0x8769, 4, 1, 56)
        + le(92, 4) + QByteArray("Canon\0", 6) + le(1, 2) + entry(0x927C, 7, 18, 74) + le(0, 4) + le(1, 2) + entry(0x0083, 4, 1, 0) + le(0, 4)
        + le(2, 2) + entry(0x0201, 4, 1, 122) + entry(0x0202, 4, 1, 21) + le(0, 4) + thumbnail;
    const QByteArray jpeg = readAll(path);
    const qsizetype at = 2; // straight after the start of image
    const QByteArray segment
        = QByteArray("\xFF\xE1", 2) + QByteArray(1, '\0') + QByteArray(1, static_cast<char>(8 + block.size())) + QByteArray("Exif\0\0", 6);
    const qsizetype trailer = jpeg.size() + segment.size() + block.size();
    block.replace(74 + 2 + 8, 4, le(static_cast<std::uint32_t>(trailer), 4));
    QByteArray file = jpeg.left(at) + segment + block + jpeg.mid(at) + "DECISION";
    // The same with an entry of no known type (Make's): refused, unchanged.
    file[at + segment.size() + 12] = '\0';
    ASSERT_TRUE(writeAll(path, file));
    EXPECT_EQ(saveFields(path, {"Caption", "A", "C"}), ImageStatus::GenericError);
    EXPECT_EQ(readAll(path), file);
    file[at + segment.size() + 12] = '\2';
    ASSERT_TRUE(writeAll(path, file));
    ASSERT_EQ(exifTool({"-s3", "-OriginalDecisionDataOffset", path}).trimmed().toLongLong(), trailer);
    const qsizetype thumbnailAt = at + segment.size() + 122; // stays where it is
    ASSERT_EQ(readAll(path).mid(thumbnailAt, thumbnail.size()), thumbnail);

    ASSERT_EQ(saveFields(path, {"A caption long enough not to fit where the old directory was", "A", "C"}), ImageStatus::Ok);
    const qlonglong moved = exifTool({"-s3", "-OriginalDecisionDataOffset", path}).trimmed().toLongLong();
    EXPECT_GT(moved, trailer);
    EXPECT_EQ(readAll(path).mid(moved, 8), QByteArray("DECISION"));
    EXPECT_EQ(readAll(path).mid(thumbnailAt, thumbnail.size()), thumbnail);
}

namespace {
// Sidecars as darktable and Lightroom write them, with properties only they
// know about.
const QByteArray darktableSidecar(R"(<?xml version="1.0" encoding="UTF-8"?>
<x:xmpmeta xmlns:x="adobe:ns:meta/" x:xmptk="XMP Core 4.4.0-Exiv2">
 <rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#">
  <rdf:Description rdf:about="" xmlns:xmp="http://ns.adobe.com/xap/1.0/" xmlns:darktable="http://darktable.sf.net/"
    xmlns:dc="http://purl.org/dc/elements/1.1/" xmp:Rating="3" darktable:xmp_version="5" darktable:history_end="2">
   <darktable:history><rdf:Seq>
     <rdf:li darktable:num="0" darktable:operation="exposure" darktable:enabled="1" darktable:params="0000000000000000"/>
     <rdf:li darktable:num="1" darktable:operation="colorin" darktable:enabled="1" darktable:params="gz48eJxjZBgFo2AU0AsAAANuAAE="/>
   </rdf:Seq></darktable:history>
   <dc:subject><rdf:Bag><rdf:li>harbour</rdf:li><rdf:li>boats</rdf:li></rdf:Bag></dc:subject>
  </rdf:Description>
 </rdf:RDF>
</x:xmpmeta>
)");
const QByteArray lightroomSidecar(R"(<x:xmpmeta xmlns:x="adobe:ns:meta/" x:xmptk="Adobe XMP Core 7.0-c000 1.000000">
 <rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#">
  <rdf:Description rdf:about="" xmlns:xmp="http://ns.adobe.com/xap/1.0/" xmlns:crs="http://ns.adobe.com/camera-raw-settings/1.0/"
    xmlns:dc="http://purl.org/dc/elements/1.1/" xmp:Rating="4" crs:Version="15.0" crs:Exposure2012="+0.35" crs:WhiteBalance="As Shot">
   <dc:description><rdf:Alt><rdf:li xml:lang="x-default">Old caption</rdf:li></rdf:Alt></dc:description>
   <crs:ToneCurvePV2012><rdf:Seq><rdf:li>0, 0</rdf:li><rdf:li>255, 255</rdf:li></rdf:Seq></crs:ToneCurvePV2012>
  </rdf:Description>
 </rdf:RDF>
</x:xmpmeta>
)");

// Every XMP property of a sidecar but the three fields, as ExifTool lists them.
QByteArray otherProperties(const QString &sidecar)
{
    return exifTool({"-s", "-XMP:all", "-x", "XMP-dc:Description", "-x", "XMP-dc:Creator", "-x", "XMP-dc:Rights", sidecar});
}
} // namespace

// A raw file is never written: its fields go to its sidecars, every other
// property of which stays. This one is TIFF inside, told by its name; its
// own texts show until a sidecar has some.
TEST(SavingRawFiles, writesTheFieldsToTheSidecarsAndNeverTheRawFile)
{
    if (!haveExifTool())
        GTEST_SKIP() << "exiftool is not installed";
    TestFolder dir;
    const QString raw = dir.file("DSC_0001.NEF");
    ASSERT_TRUE(writeTiff(dir.file("DSC_0001.tif"), 60, 40) && writeJpeg(dir.file("DSC_0001-thumb.jpg"), 48, 32));
    ASSERT_TRUE(runTool("exiv2", {"-it", dir.file("DSC_0001.tif")})); // an embedded preview
    ASSERT_TRUE(QFile::rename(dir.file("DSC_0001.tif"), raw));
    ASSERT_TRUE(exifToolWrite(raw, {"-IFD0:Make=NIKON CORPORATION", "-IFD0:ImageDescription=In camera"}));
    const QByteArray rawBytes = readAll(raw);
    ImageStatus status;
    auto image = openImageFile(QFile::encodeName(raw), status, true);
    ASSERT_EQ(status, ImageStatus::Ok);
    EXPECT_EQ(image->format(), ImageFormat::Raw);
    EXPECT_EQ(readMetadata(*image).description, QByteArray());
    EXPECT_EQ(image->copies().description, (std::vector<TextCopy>{{"raw Exif", "In camera"}}));
    EXPECT_EQ(image->size(), QSize(48, 32));
    EXPECT_EQ(image->preview(QSize(48, 32)).size(), QSize(48, 32));

    ASSERT_EQ(saveFields(raw, harbour), ImageStatus::Ok);
    EXPECT_EQ(readAll(raw), rawBytes);
    EXPECT_EQ(exifTool({"-s3", "-XMP-dc:Description", "-XMP-dc:Creator", "-XMP-dc:Rights", dir.file("DSC_0001.xmp")}),
              harbour.description + "\n" + harbour.artist + "\n" + harbour.copyright + "\n");
    EXPECT_EQ(readFields(raw), harbour);
    EXPECT_EQ(leftovers(dir.path()), QStringList());

    // Both sidecars are brought in step (one named in capitals), and keep
    // every other property.
    const QString darktable = dir.file("DSC_0002.NEF.xmp"), lightroom = dir.file("DSC_0002.XMP");
    ASSERT_TRUE(QFile::copy(raw, dir.file("DSC_0002.NEF")));
    ASSERT_TRUE(writeAll(darktable, darktableSidecar) && writeAll(lightroom, lightroomSidecar));
    const QByteArray darktableOthers = otherProperties(darktable), lightroomOthers = otherProperties(lightroom);
    ASSERT_TRUE(darktableOthers.contains("harbour, boats") && lightroomOthers.contains("Exposure2012"));
    EXPECT_EQ(readFields(dir.file("DSC_0002.NEF")).description, QByteArray("Old caption"));
    ASSERT_EQ(saveFields(dir.file("DSC_0002.NEF"), harbour), ImageStatus::Ok);
    for (const QString &sidecar : {darktable, lightroom})
        EXPECT_EQ(exifTool({"-s3", "-XMP-dc:Description", sidecar}), harbour.description + "\n");
    EXPECT_EQ(otherProperties(darktable), darktableOthers);
    EXPECT_EQ(otherProperties(lightroom), lightroomOthers);
    EXPECT_EQ(readAll(dir.file("DSC_0002.NEF")), rawBytes);
    EXPECT_EQ(QDir(dir.path()).entryList({"DSC_0002*"}, QDir::Files).size(), 3); // no third sidecar

    // darktable's name for a new sidecar, when chosen; nothing new for nothing to say.
    Sidecars::setNewWithExtension(true);
    ASSERT_TRUE(QFile::copy(raw, dir.file("DSC_0003.NEF")));
    EXPECT_EQ(saveFields(dir.file("DSC_0003.NEF"), {}), ImageStatus::Ok);
    EXPECT_FALSE(QFile::exists(dir.file("DSC_0003.NEF.xmp")));
    ASSERT_EQ(saveFields(dir.file("DSC_0003.NEF"), harbour), ImageStatus::Ok);
    Sidecars::setNewWithExtension(false);
    EXPECT_EQ(exifTool({"-s3", "-XMP-dc:Rights", dir.file("DSC_0003.NEF.xmp")}), harbour.copyright + "\n");
    EXPECT_FALSE(QFile::exists(dir.file("DSC_0003.xmp")));
    EXPECT_EQ(Sidecars::namesFor("d.x/IMG_0004"), std::vector<QByteArray>{"d.x/IMG_0004.xmp"}); // a raw file told by its bytes alone
}

// A line torn by a crash is skipped and never glued to the next one; the
// oldest entries go first, past the age and past the size.
TEST(TheJournal, skipsATornLineAndDropsTheOldestFirst)
{
    TestFolder dir;
    const auto line = [](int daysAgo, const char *path) {
        JournalEntry e;
        e.path = path;
        e.time = QDateTime::currentDateTimeUtc().addDays(-daysAgo);
        return e.toLine();
    };
    const auto paths = [](const Journal &journal) {
        QList<QByteArray> all;
        for (const JournalEntry &e : journal.entries())
            all << e.path;
        return all;
    };
    ASSERT_TRUE(writeAll(dir.file("journal.jsonl"), line(91, "/old") + line(1, "/kept") + line(0, "/torn").left(30)));
    Journal journal(dir.path(), {90, 1 << 20});
    ASSERT_EQ(journal.append({line(0, "/new")}), ImageStatus::Ok);
    EXPECT_EQ(paths(journal), (QList<QByteArray>{"/kept", "/new"}));
    Journal small(dir.path(), {90, line(0, "/new").size() * 3 / 2});
    ASSERT_EQ(small.append({line(0, "/newest")}), ImageStatus::Ok);
    EXPECT_EQ(paths(small), (QList<QByteArray>{"/new", "/newest"}));
}

// A save is known by the identity of the file it left (device and inode;
// volume serial number and file id on Windows): undone while the picture
// is that file, refused once another file has taken its place.
TEST(TheJournal, takesBackASaveAndRefusesAnotherFileInItsPlace)
{
    QStandardPaths::setTestModeEnabled(true); // where Windows keeps the journal
    TestFolder dir;
    const QString path = dir.file("a.jpg"), other = dir.file("b.jpg");
    // The other file is made before any file the picture will have been is
    // deleted: a new file may be given a deleted file's inode, and Wine's
    // file ids are inodes (Windows' own never come back).
    ASSERT_TRUE(writeJpeg(path) && writeJpeg(other) && QFile::copy(other, path + ".new"));
    ASSERT_EQ(saveFields(path, harbour), ImageStatus::Ok);
    const QByteArray file = QFile::encodeName(path);
    EXPECT_EQ(SaveUndo(Journal(Journal::userFolder()).entries()).lastSave(file, false).outcome, UndoResult::Outcome::Restored);
    EXPECT_EQ(readFields(path), MetadataFields());
    ASSERT_EQ(saveFields(path, harbour), ImageStatus::Ok);
    ASSERT_TRUE(QFile::rename(path, path + ".old") && QFile::rename(path + ".new", path));
    EXPECT_EQ(SaveUndo(Journal(Journal::userFolder()).entries()).lastSave(file, false).outcome, UndoResult::Outcome::Replaced);
}
