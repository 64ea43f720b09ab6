#include "imaging/BmffBoxes.h"
#include "imaging/ExifCodec.h"
#include "imaging/ImageFormat.h"
#include "batch/ListFile.h"
#include "TestFiles.h"

#include <QDir>
#include <QElapsedTimer>

#include <gtest/gtest.h>

using namespace lumicap;
using namespace lumicap::test;

namespace {
QStringList findings(const char *target)
{
    const QDir dir(QString(LUMICAP_SOURCE_DIR "/tests/data/fuzz/") + target);
    QStringList files;
    for (const QString &name : dir.entryList(QDir::Files))
        files << dir.filePath(name);
    return files;
}
} // namespace

// Every input a fuzzer once found stays a test: no crash, and the same
// invariants the fuzz targets check.
TEST(FuzzFindings, ofTheListParserStayFixed)
{
    for (const QString &file : findings("ListFileFuzzer")) {
        SCOPED_TRACE(file.toStdString());
        const QByteArray bytes = readAll(file);
        for (const ListEntry &entry : ListFileParser::parse(bytes)) {
            EXPECT_LE(entry.name.size() + entry.description.size(), bytes.size());
            EXPECT_FALSE(entry.description.contains('\n'));
        }
    }
}

TEST(FuzzFindings, ofTheTagCodecStayFixed)
{
    for (const QString &file : findings("TagCodecFuzzer")) {
        SCOPED_TRACE(file.toStdString());
        QByteArray bytes = readAll(file);
        const ImageFormat format = detectImageFormat(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        std::vector<TagItem> tags;
        if (!canHoldTags(format) || ExifCodec::readTags(format, bytes, tags) != ImageStatus::Ok)
            continue;
        TagEdits edits;
        edits.set = {{0x010E, 2, QByteArray("replayed", 9), "Image"}};
        bool unchanged = false;
        QList<QByteArray> pieces;
        QElapsedTimer timer;
        timer.start();
        const ImageStatus status = ExifCodec::applyEdits(format, bytes, edits, unchanged, pieces);
        EXPECT_LT(timer.elapsed(), 2000); // the walk over directories has a budget
        if (status != ImageStatus::Ok || unchanged)
            continue;
        std::vector<TagItem> after;
        EXPECT_EQ(ExifCodec::readTags(format, pieces.join(), after), ImageStatus::Ok);
    }
}

TEST(FuzzFindings, ofTheBoxEditorStayFixed)
{
    for (const QString &file : findings("BmffFuzzer")) {
        SCOPED_TRACE(file.toStdString());
        const QByteArray bytes = readAll(file);
        for (const BmffMetadata which : {BmffMetadata::Exif, BmffMetadata::Xmp}) {
            QByteArray written = bytes;
            BmffLayout before, after;
            if (parseBmffLayout(written, before) != ImageStatus::Ok || putBmffMetadata(written, before, which, "new data") != ImageStatus::Ok)
                continue;
            ASSERT_EQ(parseBmffLayout(written, after), ImageStatus::Ok);
            const auto index = which == BmffMetadata::Exif ? after.exif : after.xmp;
            ASSERT_TRUE(index);
            EXPECT_EQ(bmffItemData(written, after, after.items[*index]), QByteArray("new data"));
        }
    }
}
