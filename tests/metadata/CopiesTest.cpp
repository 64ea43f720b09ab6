#include "metadata/FieldReading.h"
#include "metadata/MetadataReader.h"
#include "metadata/MetadataWriter.h"
#include "imaging/PngChunks.h"
#include "metadata/SafeSave.h"
#include "TestFiles.h"

#include <QCryptographicHash>
#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace lumicap;
using namespace lumicap::test;

namespace {
// dc:creator of two names with roles, the first's in attributes; XMP with no properties.
const QByteArray qualifiedCreators
    = "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
      "<rdf:Description rdf:about='' xmlns:dc='http://purl.org/dc/elements/1.1/' xmlns:ex='e:'><dc:creator>"
      "<rdf:Seq><rdf:li rdf:value='Ann' ex:role='photographer'/><rdf:li rdf:parseType='Resource'>"
      "<rdf:value>Bob</rdf:value><ex:role>editor</ex:role></rdf:li></rdf:Seq></dc:creator></rdf:Description></rdf:RDF></x:xmpmeta>";
const QByteArray bareXmp
    = "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>\n</rdf:RDF></x:xmpmeta>";
const MetadataFields typed{"New caption \xC3\xBCn\xC3\xAF \xE2\x82\xAC", "New Artist", "(c) New"};

ImageStatus save(const QString &path, bool allCopies, const MetadataFields &fields = typed, FieldSelection which = {})
{
    ImageStatus status;
    const auto image = openImageFile(QFile::encodeName(path), status);
    if (status != ImageStatus::Ok)
        return status;
    writeMetadata(*image, fields, which, false, allCopies);
    return saveImageFile(*image, QFile::encodeName(path));
}

// A tag as ExifTool reads it ("-listItem 1 -Tag": one name of a list); the
// names of a list joined with "; ".
QString tagText(const QString &path, const QString &tag)
{
    return QString::fromUtf8(exifTool(QStringList{"-s3", "-sep", "; ", "-charset", "iptc=Latin"} + tag.split(' ') + QStringList{path}).trimmed());
}

// Every tag but the copies of the three fields (and the digest that follows
// the IPTC), as ExifTool lists them.
QByteArray otherTags(const QString &path)
{
    static const QRegularExpression copy(
        "^\\[(IFD0|IPTC|XMP-dc|Photoshop|File|System|ExifTool|Composite)\\]|ImageDescription|Artist|Copyright|XP(Title|Subject|Author)"
        "|IPTCDigest|Caption-Abstract|By-line|CopyrightNotice|CodedCharacterSet|HasExtendedXMP");
    QByteArray out;
    for (const QByteArray &line : exifTool({"-a", "-G1", "-s", "-e", path}).split('\n')) {
        if (!copy.match(QString::fromUtf8(line)).hasMatch())
            out += line + '\n';
    }
    return out;
}

// A PNG's chunks in their order, as ExifTool lists them, with the size of
// each that carries no tags.
QStringList pngChunks(const QString &path)
{
    QStringList out;
    for (const QByteArray &line : exifTool({"-v", path}).split('\n')) {
        if (line.startsWith("PNG "))
            out += QString::fromLatin1(line.contains("TXt") || line.contains("eXIf") ? line.left(8) : line);
    }
    return out;
}
} // namespace

// A save brings every copy of a field the photo has (Exif, IPTC, XMP,
// Windows' tags) to the typed text, so other programs show it too; a copy
// it does not have is created only when asked. Nothing else changes.
TEST(CopiesOfTheFields, allReadTheTypedTextAfterASave)
{
    if (!haveExifTool())
        GTEST_SKIP() << "exiftool is not installed";
    struct Case
    {
        const char *name;
        const char *format;
        QStringList tags;
        bool allCopies;
        QStringList expected;                    // tag=value, as ExifTool reads it after the save
        QByteArray resources = {};               // Photoshop resources added beside a PNG's IPTC
        std::vector<TextCopy> copiesBefore = {}; // the description's copies as read before the save
        QByteArray iim = {};                     // bare IPTC in a second PNG chunk, as ImageMagick keeps it beside the resources
    };
    const QString longSource = "-XMP-dc:Source=" + QString(64965, 'y'); // a packet the typed caption just outgrows
    const QStringList everyCopy{"-IPTC:Caption-Abstract=" + QString::fromUtf8(typed.description),
                                "-XMP-dc:Description=" + QString::fromUtf8(typed.description),
                                "-IPTC:By-line=New Artist",
                                "-XMP-dc:Creator=New Artist",
                                "-IPTC:CopyrightNotice=(c) New",
                                "-XMP-dc:Rights=(c) New"};
    // clang-format off
    const Case cases[] = {
        {"only IPTC", "jpg", {"-IPTC:Caption-Abstract=Old", "-IPTC:By-line=Old", "-IPTC:CopyrightNotice=Old"}, false,
         {everyCopy[0], everyCopy[2], everyCopy[4], "-XMP-dc:Description="}},
        {"only XMP", "jpg", {"-XMP-dc:Description=Old", "-XMP-dc:Creator=Old", "-XMP-dc:Rights=Old", "-XMP-dc:Title=Kept"}, false,
         {everyCopy[1], everyCopy[3], everyCopy[5], "-IPTC:Caption-Abstract=", "-XMP-dc:Title=Kept"}},
        {"all disagreeing, IPTC in Latin-1 with a digest, XMP in two languages", "jpg",
         {"-IFD0:ImageDescription=Exif", "-IPTC:Caption-Abstract=Caf\xC3\xA9", "-IPTCDigest=new", "-XMP-dc:Description=Xmp",
          "-XMP-dc:Description-de=Deutsch", "-XMP-dc:Creator=A", "-XMP-dc:Creator+=B", "-IPTC:By-line=Iptc", "-IPTC:City=Z\xC3\xBCrich 5\xE2\x82\xAC"},
         false,
         {everyCopy[0], everyCopy[1], "-XMP-dc:Description-de=Deutsch", "-XMP-dc:Creator=New Artist", "-IPTC:By-line=New Artist",
          "-IPTC:City=Z\xC3\xBCrich 5\xE2\x82\xAC"}},
        {"Windows' tags", "jpg", {"-XPTitle=Old", "-XPSubject=Old", "-XPAuthor=Old", "-XPComment=Kept"}, false,
         {"-XPTitle=" + QString::fromUtf8(typed.description), "-XPSubject=" + QString::fromUtf8(typed.description),
          "-XPAuthor=New Artist", "-XPComment=Kept"}},
        {"a TIFF's IPTC and XMP", "tif", {"-IPTC:Caption-Abstract=Old", "-XMP-dc:Description=Old", "-XMP-dc:Rights=Old"}, false,
         {everyCopy[0], everyCopy[1], everyCopy[5]}},
        {"created when asked", "jpg", {"-IFD0:Make=Kestrel"}, true, everyCopy},
        {"created when asked, IPTC in front of the XMP it follows", "jpg", {"-XMP-dc:Description=Old", "-XMP-xmp:Rating=2"}, true,
         everyCopy + QStringList{"-XMP-xmp:Rating=2"}},
        {"a description ExifTool put in extended XMP", "jpg", {"-XMP-dc:Description=" + QString(70000, 'x')}, false, {everyCopy[1]},
         {}, {{"XMP", QByteArray(70000, 'x')}}},
        {"XMP that outgrows its segment", "jpg", {"-api", "Compact=NoIndent,NoNewline,NoPadding", "-XMP-dc:Description=Old", longSource}, false,
         {everyCopy[1], longSource}},
        {"a PNG's XMP, and IPTC among resolution, clipping path and a stale digest", "png",
         {"-IPTC:Caption-Abstract=Old", "-XMP-dc:Description=Old", "-XMP-dc:Rights=Old"}, false,
         {everyCopy[0], everyCopy[1], everyCopy[5], "-Photoshop:XResolution=300", "-ClippingPathName=Outline"},
         QByteArray::fromHex("3842494d03ed000000000010012c000000010001012c000000010001" "3842494d0bb7000000000008074f75746c696e65"
                             "3842494d042500000000001000000000000000000000000000000000")},
        {"a PNG's copies created when asked", "png", {"-IFD0:Make=Kestrel"}, true, everyCopy},
        {"created when asked in XMP with no properties", "jpg", {"-XMP<=PACKET"}, true, everyCopy},
        {"a PNG's IPTC in two chunks", "png", {"-IPTC:Caption-Abstract=Old"}, false,
         {everyCopy[0], "-IPTC2:Caption-Abstract=" + QString::fromUtf8(typed.description)}, {}, {{"IPTC", "Old"}, {"IPTC", "Stale"}},
         QByteArray::fromHex("1c020000020004" "1c02780005" "5374616c65")},
        {"a new Exif block takes the resolution of JFIF", "jpg", {"-EXIF:all=", "-JFIF:ResolutionUnit=cm", "-JFIF:XResolution=118", "-JFIF:YResolution=59"},
         true, everyCopy + QStringList{"-IFD0:XResolution=118", "-IFD0:YResolution=59", "-IFD0:ResolutionUnit=cm"}},
        {"a new Exif block takes the resolution of pHYs", "png", {"-EXIF:all="}, true, everyCopy + QStringList{"-IFD0:XResolution=39.37", "-IFD0:ResolutionUnit=cm"}},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TestFolder dir;
        const QString path = dir.file(QString("photo.") + c.format);
        ASSERT_TRUE(QString(c.format) == "jpg" ? writeJpeg(path) : QString(c.format) == "png" ? writePng(path) : writeTiff(path));
        ASSERT_TRUE(writeAll(dir.file("x.xmp"), bareXmp));
        ASSERT_TRUE(exifToolWrite(path,
                                  QStringList{"-charset", "iptc=Latin", "-IFD0:Make=Kestrel", "-GPS:GPSLatitude=48.5"}
                                      + QStringList(c.tags).replaceInStrings("PACKET", dir.file("x.xmp"))));
        if (!c.resources.isEmpty() || !c.iim.isEmpty()) {
            QByteArray png = readAll(path);
            const PngChunk iptc = parsePngLayout(png)->iptc.at(0);
            png.replace(iptc.offset, iptc.size,
                        pngChunkLike(png, iptc, *pngChunkPayload(png, iptc) + c.resources) + (c.iim.isEmpty() ? "" : pngIptcChunk(c.iim)));
            ASSERT_TRUE(writeAll(path, png));
        }
        const QStringList chunks = pngChunks(path);
        const QByteArray others = otherTags(path);
        const QList<QImage> pixels = decodePages(path);
        ImageStatus status;
        if (!c.copiesBefore.empty()) {
            EXPECT_EQ(openImageFile(QFile::encodeName(path), status)->copies().description, c.copiesBefore);
        }

        ASSERT_EQ(save(path, c.allCopies), ImageStatus::Ok);
        for (const QString &expected : c.expected)
            EXPECT_EQ(tagText(path, expected.section('=', 0, 0)), expected.section('=', 1)) << expected.toStdString();
        EXPECT_EQ(exifTool({"-use", "MWG", "-s3", "-MWG:Description", "-MWG:Creator", "-MWG:Copyright", path}),
                  typed.description + "\nNew Artist\n(c) New\n");
        EXPECT_FALSE(QRegularExpression("Digest|XMP").match(exifTool({"-s3", "-validate", "-warning", "-error", "-a", path})).hasMatch());
        if (const QByteArray digest = exifTool({"-s3", "-IPTCDigest", path}).trimmed(); !digest.isEmpty()) {
            EXPECT_EQ(QCryptographicHash::hash(exifTool({"-b", "-IPTC", path}), QCryptographicHash::Md5).toHex(), digest);
        }
        if (!c.allCopies) { // every chunk stays, in its order, the Exif in an eXIf
            EXPECT_EQ(pngChunks(path), chunks);
        }
        EXPECT_EQ(QString::fromUtf8(otherTags(path)), QString::fromUtf8(others));
        EXPECT_EQ(decodePages(path), pixels);
        EXPECT_EQ(tagsDirectly(path).value(0), typed.description); // and Exiv2 reads it
    }
}

// A copy a save made declares its namespace on its own element; the next
// save, which rewrites that element, keeps the declaration.
TEST(CopiesOfTheFields, madeByASaveFollowTheNext)
{
    if (!haveExifTool())
        GTEST_SKIP() << "exiftool is not installed";
    for (const char *name : {"photo.jpg", "photo.tif"}) {
        TestFolder dir;
        const QString path = dir.file(name);
        ASSERT_TRUE(QString(name).endsWith("jpg") ? writeJpeg(path) : writeTiff(path));
        ASSERT_EQ(save(path, true), ImageStatus::Ok);
        ASSERT_EQ(save(path, false, {"Second", "Bea; Cy", "(c) Bea"}), ImageStatus::Ok);
        EXPECT_EQ(exifTool({"-s3", "-sep", "; ", "-XMP-dc:Description", "-XMP-dc:Creator", "-XMP-dc:Rights", "-IPTC:Caption-Abstract", path}),
                  "Second\nBea; Cy\n(c) Bea\nSecond\n")
            << name;
    }
}

// Only a field whose text changes is written, with its copies: a text that
// is what its tag holds, in whatever encoding, writes nothing. A list copy
// reads as its names joined with "; ", each typed name is an item, and a
// name that stays keeps its qualifiers.
// IPTC holds 2,000 bytes of caption: a longer one is cut in that copy only,
// before a character that would pass the limit (here a 3-byte euro sign).
TEST(CopiesOfTheFields, aCaptionPastIptcsLimitIsCutAtACharacter)
{
    if (!haveExifTool())
        GTEST_SKIP() << "exiftool is not installed";
    TestFolder dir;
    const QString path = dir.file("photo.jpg");
    ASSERT_TRUE(writeJpeg(path));
    ASSERT_TRUE(exifToolWrite(path, {"-IPTC:CodedCharacterSet=UTF8", "-IPTC:Caption-Abstract=Old"}));
    const QByteArray caption = QByteArray(1999, 'p') + "\xE2\x82\xAC and more";
    ASSERT_EQ(save(path, false, {caption, "A", "C"}, {true, false, false}), ImageStatus::Ok);
    EXPECT_EQ(tagText(path, "-IPTC:Caption-Abstract"), QString(1999, 'p'));
    EXPECT_EQ(tagText(path, "-IFD0:ImageDescription").toUtf8(), caption);
}

TEST(CopiesOfTheFields, changeOnlyWithTheTextOfTheirField)
{
    if (!haveExifTool())
        GTEST_SKIP() << "exiftool is not installed";
    struct Case
    {
        const char *name;
        QStringList tags;
        MetadataFields fields;
        QStringList expected; // none: the file stays as it was
    };
    // clang-format off
    const Case cases[] = {
        {"co-authors stay", {"-Artist=Ann", "-IPTC:By-line=Ann", "-IPTC:By-line+=Bob", "-XMP-dc:Creator=Ann", "-XMP-dc:Creator+=Bob"},
         {{}, "Ann", {}}, {}},
        {"names typed with semicolons", {"-Artist=Ann", "-IPTC:By-line=Ann", "-XMP-dc:Creator=Ann"}, {{}, "Ann; Bob", {}},
         {"-listItem 1 -IPTC:By-line=Bob", "-listItem 1 -XMP-dc:Creator=Bob"}},
        {"a qualified name", {"-Artist=Ann", "-XMP<=PACKET"}, {{}, "Ann; Carol", {}},
         {"-XMP-dc:Creator=Ann; Carol", "-XMP-dc:CreatorRole=photographer"}},
        {"a qualified name stays", {"-XMP<=PACKET"}, {{}, "Bob; Cy", {}}, {"-XMP-dc:Creator=Bob; Cy", "-XMP-dc:CreatorRole=editor"}},
        {"a control character XML cannot hold", {"-XMP-dc:Description=Old"}, {"a\x01" "b", {}, {}}, {"-XMP-dc:Description=ab"}},
        {"Latin-1 Exif", {"-charset", "exif=Latin", "-ImageDescription=Caf\xC3\xA9", "-Artist=Zo\xC3\xAB"}, {"Caf\xC3\xA9", "Zo\xC3\xAB", {}}, {}},
        {"Windows-1252 IPTC", {"-ImageDescription=Caf\xC3\xA9 5\xE2\x82\xAC", "-IPTC:Caption-Abstract=Caf\xC3\xA9 5\xE2\x82\xAC"},
         {"Caf\xC3\xA9 5\xE2\x82\xAC", {}, {}}, {}},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TestFolder dir;
        const QString path = dir.file("photo.jpg");
        ASSERT_TRUE(writeJpeg(path) && writeAll(dir.file("x.xmp"), qualifiedCreators));
        ASSERT_TRUE(exifToolWrite(path, QStringList{"-charset", "iptc=Latin"} + QStringList(c.tags).replaceInStrings("PACKET", dir.file("x.xmp"))));
        const QByteArray before = readAll(path);
        ASSERT_EQ(save(path, false, c.fields, {!c.fields.description.isEmpty(), !c.fields.artist.isEmpty(), false}), ImageStatus::Ok);
        for (const QString &expected : c.expected)
            EXPECT_EQ(tagText(path, expected.section('=', 0, 0)), expected.section('=', 1)) << expected.toStdString();
        if (c.expected.isEmpty()) {
            EXPECT_EQ(readAll(path), before);
        }
        ImageStatus status; // and Lumicap reads every copy as ExifTool does
        const auto image = openImageFile(QFile::encodeName(path), status);
        for (const TextCopy &copy : image->copies().description)
            EXPECT_EQ(QString::fromUtf8(copy.text), tagText(path, copy.where == "XMP" ? "-XMP-dc:Description" : "-IPTC:Caption-Abstract"));
        for (const TextCopy &copy : image->copies().artist)
            EXPECT_EQ(QString::fromUtf8(copy.text), tagText(path, copy.where == "XMP" ? "-XMP-dc:Creator" : "-IPTC:By-line"));
    }
}

// A copy that cannot be parsed is left byte for byte as it was, and said so;
// the rest of the save goes ahead.
TEST(CopiesOfTheFields, thatCannotBeParsedAreLeftAloneAndNamed)
{
    if (!haveExifTool())
        GTEST_SKIP() << "exiftool is not installed";
    TestFolder dir;
    const QString path = dir.file("photo.jpg");
    ASSERT_TRUE(writeJpeg(path));
    ASSERT_TRUE(exifToolWrite(path, {"-XMP-dc:Description=Old", "-IPTC:Caption-Abstract=Old"}));
    QByteArray bytes = readAll(path);
    const qsizetype tag = bytes.indexOf("</dc:description>");
    ASSERT_GT(tag, 0);
    bytes[tag + 1] = 'X'; // an end tag that matches nothing
    ASSERT_TRUE(writeAll(path, bytes));
    const QByteArray packet = exifTool({"-b", "-XMP", path});

    ImageStatus status;
    const auto image = openImageFile(QFile::encodeName(path), status);
    ASSERT_EQ(status, ImageStatus::Ok);
    writeMetadata(*image, typed, FieldSelection{}, false);
    ASSERT_EQ(saveImageFile(*image, QFile::encodeName(path)), ImageStatus::Ok);
    EXPECT_EQ(image->untouchedCopies(), std::vector<QByteArray>{"XMP"});
    EXPECT_EQ(exifTool({"-b", "-XMP", path}), packet);
    EXPECT_EQ(exifToolValue(path, "ImageDescription"), typed.description);
    EXPECT_EQ(exifTool({"-s3", "-IPTC:Caption-Abstract", path}).trimmed(), typed.description);
}

// What the editor shows of a field across its copies: the Exif text, or,
// when that is empty, the copy other programs read first that has a text;
// and the copies that say otherwise, in that order.
TEST(CopiesOfTheFields, areReadAsOtherProgramsShowThem)
{
    struct Case
    {
        QByteArray exif;
        std::vector<TextCopy> copies;
        QByteArray shown, from;
        std::vector<QByteArray> differing;
    };
    // clang-format off
    const Case cases[] = {
        {"Same", {{"IPTC", "Same"}, {"XMP", "Same"}}, "Same", "", {}},
        {"Exif", {{"XPTitle", "Old"}, {"IPTC", ""}, {"XMP", "Xmp"}}, "Exif", "", {"XMP", "IPTC", "XPTitle"}}, // an empty copy differs too
        {"", {{"XPTitle", "Title"}, {"IPTC", "Iptc"}, {"XMP", ""}}, "Iptc", "IPTC", {"XMP", "XPTitle"}},
        {"", {{"XMP", ""}}, "", "", {}},
        {"Caf\xE9", {{"XMP", "Caf\xC3\xA9"}}, "Caf\xE9", "", {}}, // Windows-1252 Exif, compared as shown
    };
    // clang-format on
    for (const Case &c : cases) {
        const FieldReading reading = readField(c.exif, c.copies);
        std::vector<QByteArray> differing;
        for (const TextCopy &copy : reading.differing)
            differing.push_back(copy.where);
        EXPECT_EQ(reading.bytes, c.shown);
        EXPECT_EQ(reading.from, c.from);
        EXPECT_EQ(differing, c.differing) << c.exif.toStdString();
    }
}
