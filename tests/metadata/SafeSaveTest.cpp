#include "MetadataReader.h"
#include "MetadataWriter.h"
#include "SafeSave.h"
#include "SaveTestSupport.h"
#include "TestFiles.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace lumicap;
using namespace lumicap::test;

namespace {
const MetadataFields sample{"Harbour", "Ann", "(c) Ann"};

mode_t modeOf(const QString &path)
{
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st.st_mode;
}

struct timespec mtimeOf(const QString &path)
{
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mtim;
}
} // namespace

class ASafeSave : public ::testing::Test
{
protected:
    void SetUp() override
    {
        path = dir.file("a.jpg");
        ASSERT_TRUE(writeJpeg(path));
        original = readAll(path);
    }

    void expectUntouched()
    {
        EXPECT_EQ(readAll(path), original);
    }

    TestFolder dir;
    QString path;
    QByteArray original;
};

TEST_F(ASafeSave, keepsThePermissionBitsOfTheImage)
{
    for (const mode_t mode : {0600, 0640, 0604, 0666}) {
        ::chmod(QFile::encodeName(path).constData(), mode);
        ASSERT_EQ(saveFields(path, {QByteArray::number(mode), "", ""}), ImageStatus::Ok);
        EXPECT_EQ(modeOf(path) & 07777, mode);
    }
}

TEST_F(ASafeSave, refusesAReadOnlyImageEvenWhenItCouldWriteIt)
{
    ::chmod(QFile::encodeName(path).constData(), 0444);
    EXPECT_EQ(saveFields(path, sample), ImageStatus::AccessDenied);
    expectUntouched();
    EXPECT_EQ(leftovers(dir.path()), QStringList());
}

TEST_F(ASafeSave, updatesTheTargetOfASymbolicLinkAndKeepsTheLink)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("real"));
    const QString target = dir.file("real/target.jpg");
    ASSERT_TRUE(QFile::rename(path, target));
    ASSERT_TRUE(QFile::link(target, path));

    ASSERT_EQ(saveFields(path, sample), ImageStatus::Ok);
    EXPECT_TRUE(S_ISLNK(modeOf(path)));
    EXPECT_EQ(QFileInfo(path).symLinkTarget(), target);
    EXPECT_EQ(readFields(target), sample);
    EXPECT_EQ(leftovers(dir.path()) + leftovers(dir.file("real")), QStringList());
}

TEST_F(ASafeSave, neverWritesOverOrThroughAnExistingTemporaryName)
{
    const QString temporary = dir.file("_~a.jpg");
    const QString outside = dir.file("outside.txt");
    ASSERT_TRUE(writeAll(outside, "keep me"));

    ASSERT_TRUE(writeAll(temporary, "someone else's file"));
    EXPECT_NE(saveFields(path, sample), ImageStatus::Ok);
    EXPECT_EQ(readAll(temporary), QByteArray("someone else's file"));
    expectUntouched();

    ASSERT_TRUE(QFile::remove(temporary));
    ASSERT_TRUE(QFile::link(outside, temporary));
    EXPECT_NE(saveFields(path, sample), ImageStatus::Ok);
    EXPECT_EQ(readAll(outside), QByteArray("keep me"));
    EXPECT_TRUE(S_ISLNK(modeOf(temporary)));
    expectUntouched();

    ASSERT_TRUE(QFile::remove(temporary));
    ASSERT_TRUE(QFile::link(dir.file("nowhere.jpg"), temporary));
    EXPECT_NE(saveFields(path, sample), ImageStatus::Ok);
    EXPECT_FALSE(QFileInfo::exists(dir.file("nowhere.jpg")));
    expectUntouched();
}

TEST_F(ASafeSave, reportsAnImageThatVanishedAfterItWasOpened)
{
    ImageStatus status;
    auto image = OpenImageFile(QFile::encodeName(path), status);
    ASSERT_EQ(status, ImageStatus::Ok);
    ASSERT_TRUE(QFile::remove(path));
    WriteMetadata(*image, sample, false);
    EXPECT_EQ(SaveImageFile(*image, QFile::encodeName(path)), ImageStatus::FileNotFound);
    EXPECT_EQ(leftovers(dir.path()), QStringList());
}

TEST_F(ASafeSave, appliesTheTagsToTheFileAsItIsWhenSaving)
{
    ImageStatus status;
    auto image = OpenImageFile(QFile::encodeName(path), status);
    ASSERT_EQ(status, ImageStatus::Ok);
    // Another program rewrites the picture after we opened it.
    ASSERT_TRUE(writeJpeg(path, 80, 80, 9));
    const QByteArray scan = jpegScanData(readAll(path));
    WriteMetadata(*image, sample, false);
    ASSERT_EQ(SaveImageFile(*image, QFile::encodeName(path)), ImageStatus::Ok);
    EXPECT_EQ(jpegScanData(readAll(path)), scan);
    EXPECT_EQ(readFields(path), sample);
}

TEST_F(ASafeSave, leavesTheFileUntouchedWhenNothingChanges)
{
    ASSERT_EQ(saveFields(path, sample), ImageStatus::Ok);
    const QByteArray saved = readAll(path);
    const struct timespec before = mtimeOf(path);
    ::usleep(20000);
    ASSERT_EQ(saveFields(path, sample), ImageStatus::Ok);
    EXPECT_EQ(readAll(path), saved);
    EXPECT_EQ(mtimeOf(path).tv_nsec, before.tv_nsec);
    EXPECT_EQ(mtimeOf(path).tv_sec, before.tv_sec);
}

TEST_F(ASafeSave, refusesToSplitAHardLinkedImage)
{
    ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(dir.file("b.jpg")).constData()), 0);
    EXPECT_EQ(saveFields(path, sample), ImageStatus::AccessDenied);
    expectUntouched();
    EXPECT_EQ(readAll(dir.file("b.jpg")), original);
}

TEST_F(ASafeSave, reportsAFolderWhereNoTemporaryFileCanBeMade)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write into any folder";
    ::chmod(QFile::encodeName(dir.path()).constData(), 0555);
    EXPECT_EQ(saveFields(path, sample), ImageStatus::AccessDenied);
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    expectUntouched();
}
