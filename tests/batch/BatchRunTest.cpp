#include "BatchRun.h"
#include "ScriptedPrompt.h"
#include "TestFiles.h"

#include <QDir>

#include <gtest/gtest.h>

#include <functional>

using namespace lumicap;
using namespace lumicap::test;

namespace {
// Records what a run shows and cancels when told to.
class RecordingProgress : public BatchProgress
{
public:
    QStringList events;
    std::function<void(const QString &, int)> onUpdate;
    int cancelAfter = -1;
    int images = 0;

    void open() override { events << "open"; }
    void update(const QString &name, int position) override
    {
        events << QString("%1 %2").arg(position).arg(name);
        if (onUpdate)
            onUpdate(name, position);
    }
    void close() override { events << "close"; }
    bool cancelled() const override { return cancelAfter >= 0 && images >= cancelAfter; }
    void afterImage() override { ++images; }
};
} // namespace

class ABatchRun : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char *name : {"a.jpg", "b.jpg", "c.jpg"})
            ASSERT_TRUE(writeJpeg(dir.file(name)));
        ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
        ASSERT_TRUE(writeTiff(dir.file("sub/d.tif")));
    }

    BatchSummary run(const QByteArray &listText, const BatchOptions &options = {"Ann", "(c) Ann", false})
    {
        EXPECT_TRUE(writeAll(dir.file("DESCRIPT.ION"), listText));
        BatchList list;
        EXPECT_TRUE(ParseListFile(dir.bytePath("DESCRIPT.ION"), list));
        return BatchRun(prompt, progress).RunBatch(list, dir.bytePath("DESCRIPT.ION"), options);
    }
    QByteArray description(const QString &name) { return tagsDirectly(dir.file(name)).value(0); }

    TestFolder dir;
    ScriptedPrompt prompt;
    RecordingProgress progress;
};

TEST_F(ABatchRun, showsEachImageBeforeItIsProcessed)
{
    QStringList savedWhenShown;
    progress.onUpdate = [&](const QString &name, int) { savedWhenShown << description(name); };
    const BatchSummary summary = run("a.jpg First\nb.jpg Second\n\"c.jpg\" Third\n");
    EXPECT_EQ(progress.events, (QStringList{"open", "33 a.jpg", "66 b.jpg", "100 c.jpg", "close"}));
    EXPECT_EQ(savedWhenShown, (QStringList{"", "", ""}));
    EXPECT_EQ(summary.saved, 3);
    EXPECT_EQ(tagsDirectly(dir.file("c.jpg")), (QList<QByteArray>{"Third", "Ann", "(c) Ann"}));
    EXPECT_EQ(prompt.messages + prompt.questions, QStringList());
}

TEST_F(ABatchRun, stopsAtCancelAfterTheImageInHand)
{
    progress.cancelAfter = 1;
    const BatchSummary summary = run("a.jpg First\nb.jpg Second\nc.jpg Third\n");
    EXPECT_TRUE(summary.cancelled);
    EXPECT_EQ(description("a.jpg"), QByteArray("First"));
    EXPECT_EQ(description("b.jpg"), QByteArray());
    EXPECT_EQ(progress.events.last(), QString("close"));
}

TEST_F(ABatchRun, asksWhetherToGoOnAfterAnImageThatCannotBeOpened)
{
    const QByteArray before = readAll(dir.file("b.jpg"));
    prompt.answers = {true};
    BatchSummary summary = run("a.jpg A\nmissing.jpg M\nc.jpg C\n");
    EXPECT_EQ(prompt.questions, QStringList{"Error 10 while loading Image " + dir.file("missing.jpg") + "\nContinue with other files ?"});
    EXPECT_EQ(summary.saved, 2);
    EXPECT_EQ(summary.skipped, 1);
    EXPECT_EQ(readAll(dir.file("b.jpg")), before);

    prompt.clear();
    prompt.answers = {false};
    summary = run("a.jpg A2\nmissing.jpg M\nc.jpg C2\n");
    EXPECT_EQ(summary.failed, 1);
    EXPECT_EQ(description("a.jpg"), QByteArray("A2")); // done before the stop stays done
    EXPECT_EQ(description("c.jpg"), QByteArray("C"));
}

TEST_F(ABatchRun, opensAndClosesTheProgressForAnEmptyList)
{
    const BatchSummary summary = run("\n\n");
    EXPECT_EQ(progress.events, (QStringList{"open", "close"}));
    EXPECT_EQ(summary.saved + summary.skipped + summary.failed, 0);
    EXPECT_EQ(prompt.questions, QStringList());
}

TEST_F(ABatchRun, findsImagesInSubFoldersAndRefusesNamesOutsideTheFolder)
{
    TestFolder outside;
    ASSERT_TRUE(writeJpeg(outside.file("secret.jpg")));
    const QByteArray secret = readAll(outside.file("secret.jpg"));
    const QByteArray escape = QDir(dir.path()).relativeFilePath(outside.file("secret.jpg")).toUtf8();
    prompt.answers = {true, true};
    const BatchSummary summary = run("sub\\d.tif In the sub-folder\n" + escape + " Escaped\n" + outside.bytePath("secret.jpg") + " Absolute\n");
    EXPECT_EQ(summary.saved, 1);
    EXPECT_EQ(summary.skipped, 2);
    EXPECT_EQ(description("sub/d.tif"), QByteArray("In the sub-folder"));
    EXPECT_EQ(readAll(outside.file("secret.jpg")), secret);
    ASSERT_EQ(prompt.questions.size(), 2);
    EXPECT_TRUE(prompt.questions[0].startsWith("Error 12 while loading Image "));
    EXPECT_EQ(QDir(dir.path()).entryList({"_~*"}, QDir::AllEntries | QDir::Hidden) + QDir(dir.file("sub")).entryList({"_~*"}),
              QStringList());
}

TEST_F(ABatchRun, writesTheSameImageTwiceWhenNamedTwice)
{
    EXPECT_EQ(run("a.jpg Early\nb.jpg\na.jpg Late\n").saved, 3);
    EXPECT_EQ(description("a.jpg"), QByteArray("Late"));
    EXPECT_EQ(tagsDirectly(dir.file("b.jpg")), (QList<QByteArray>{"", "Ann", "(c) Ann"})); // present, empty
}

TEST_F(ABatchRun, reportsAReadOnlyImageAndEndsTheRun)
{
    QFile::setPermissions(dir.file("b.jpg"), QFile::ReadOwner);
    const QByteArray before = readAll(dir.file("b.jpg"));
    const BatchSummary summary = run("a.jpg A\nb.jpg B\nc.jpg C\n");
    EXPECT_EQ(prompt.messages, QStringList{"Error 12 while saving Image " + dir.file("b.jpg")});
    EXPECT_EQ(summary.saved, 1);
    EXPECT_EQ(summary.failed, 1);
    EXPECT_EQ(readAll(dir.file("b.jpg")), before);
    EXPECT_EQ(description("c.jpg"), QByteArray());
}

TEST_F(ABatchRun, removesOtherExifFieldsWithItsOwnOption)
{
    if (!haveExifTool())
        GTEST_SKIP() << "exiftool is not installed";
    ASSERT_TRUE(exifToolWrite(dir.file("a.jpg"), {"-IFD0:Make=Kestrel"}));
    ASSERT_TRUE(exifToolWrite(dir.file("b.jpg"), {"-IFD0:Make=Kestrel"}));
    run("a.jpg Kept make\n");
    EXPECT_EQ(exifToolValue(dir.file("a.jpg"), "Make"), QByteArray("Kestrel"));
    run("b.jpg Removed make\n", {"", "", true});
    EXPECT_EQ(exifToolValue(dir.file("b.jpg"), "Make"), std::nullopt);
    EXPECT_EQ(exifToolValue(dir.file("b.jpg"), "ImageDescription"), QByteArray("Removed make"));
    EXPECT_EQ(exifToolValue(dir.file("b.jpg"), "Artist"), QByteArray(""));
}
