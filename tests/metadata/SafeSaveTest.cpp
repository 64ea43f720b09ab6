#include "metadata/MetadataReader.h"
#include "metadata/MetadataWriter.h"
#include "metadata/SafeSave.h"
#include "metadata/SaveGroup.h"
#include "SaveTestSupport.h"
#include "TestFiles.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace lumicap;
using namespace lumicap::test;

namespace {
const MetadataFields sample{"Harbour", "Ann", "(c) Ann"};

mode_t modeOf(const QString &path)
{
    struct stat st
    {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st.st_mode;
}

struct timespec mtimeOf(const QString &path)
{
    struct stat st
    {};
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

    void expectUntouched() { EXPECT_EQ(readAll(path), original); }

    TestFolder dir;
    QString path;
    QByteArray original;
};

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

// (A plain file of that name is the platform suite's.)
TEST_F(ASafeSave, neverWritesThroughALinkAtTheTemporaryName)
{
    const QString temporary = dir.file("_~a.jpg");
    const QString outside = dir.file("outside.txt");
    ASSERT_TRUE(writeAll(outside, "keep me"));
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
    auto image = openImageFile(QFile::encodeName(path), status);
    ASSERT_EQ(status, ImageStatus::Ok);
    ASSERT_TRUE(QFile::remove(path));
    writeMetadata(*image, sample, false);
    EXPECT_EQ(saveImageFile(*image, QFile::encodeName(path)), ImageStatus::FileNotFound);
    EXPECT_EQ(leftovers(dir.path()), QStringList());
}

TEST_F(ASafeSave, appliesTheTagsToTheFileAsItIsWhenSaving)
{
    ImageStatus status;
    auto image = openImageFile(QFile::encodeName(path), status);
    ASSERT_EQ(status, ImageStatus::Ok);
    // Another program rewrites the picture after we opened it.
    ASSERT_TRUE(writeJpeg(path, 80, 80, 9));
    const QByteArray scan = jpegScanData(readAll(path));
    writeMetadata(*image, sample, false);
    ASSERT_EQ(saveImageFile(*image, QFile::encodeName(path)), ImageStatus::Ok);
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

TEST_F(ASafeSave, reportsAFolderWhereNoTemporaryFileCanBeMade)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write into any folder";
    ::chmod(QFile::encodeName(dir.path()).constData(), 0555);
    EXPECT_EQ(saveFields(path, sample), ImageStatus::AccessDenied);
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    expectUntouched();
}

namespace {
QByteArray attribute(const QString &path, const char *name)
{
    char value[256];
    const ssize_t n = ::getxattr(QFile::encodeName(path).constData(), name, value, sizeof value);
    return n < 0 ? QByteArray("<none>") : QByteArray(value, static_cast<qsizetype>(n));
}

// An access list in the kernel's xattr form: the user rw, user 1 rw, the
// group r only, a mask of rw, others nothing. The mode's group bits then
// show the mask (rw), not what the group may do.
QByteArray accessListWithMask()
{
    QByteArray acl;
    const auto add32 = [&acl](quint32 v) { acl.append(reinterpret_cast<const char *>(&v), 4); };
    const auto entry = [&](quint16 tag, quint16 perm, quint32 id) {
        acl.append(reinterpret_cast<const char *>(&tag), 2);
        acl.append(reinterpret_cast<const char *>(&perm), 2);
        add32(id);
    };
    add32(2);
    entry(0x01, 6, quint32(-1)); // owner
    entry(0x02, 6, 1);           // user 1
    entry(0x04, 4, quint32(-1)); // owning group
    entry(0x10, 6, quint32(-1)); // mask
    entry(0x20, 0, quint32(-1)); // others
    return acl;
}

} // namespace

// The picture never allows more than it did: with an access list, the group
// keeps read only. (The platform suite checks that modes and attributes are
// kept.) The mark a save puts on its temporary file is not among them.
TEST_F(ASafeSave, neverWidensAnAccessListNorKeepsItsTemporaryMark)
{
    ::chmod(QFile::encodeName(path).constData(), 0640);
    const QByteArray acl = accessListWithMask();
    if (::setxattr(QFile::encodeName(path).constData(), "system.posix_acl_access", acl.constData(), acl.size(), 0) != 0)
        GTEST_SKIP() << "no access lists here: " << std::strerror(errno);
    const mode_t mode = modeOf(path) & 07777;
    ASSERT_EQ(saveFields(path, sample), ImageStatus::Ok);
    EXPECT_EQ(attribute(path, "system.posix_acl_access"), acl);
    EXPECT_EQ(modeOf(path) & 07777, mode);
    EXPECT_EQ(attribute(path, "user.lumicap.temporary"), QByteArray("<none>"));
}

namespace {
// How many bytes of the file share their blocks with another file.
qint64 sharedBytes(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    QByteArray buffer(sizeof(fiemap) + 512 * sizeof(fiemap_extent), '\0');
    auto *map = reinterpret_cast<fiemap *>(buffer.data());
    map->fm_length = FIEMAP_MAX_OFFSET;
    map->fm_flags = FIEMAP_FLAG_SYNC;
    map->fm_extent_count = 512;
    qint64 shared = 0;
    if (::ioctl(fd, FS_IOC_FIEMAP, map) == 0) {
        for (unsigned i = 0; i < map->fm_mapped_extents; ++i)
            shared += map->fm_extents[i].fe_flags & FIEMAP_EXTENT_SHARED ? qint64(map->fm_extents[i].fe_length) : 0;
    }
    ::close(fd);
    return shared;
}

// What this process has read through system calls so far.
qint64 bytesRead()
{
    QFile io("/proc/self/io");
    io.open(QIODevice::ReadOnly);
    return io.readAll().split('\n').front().mid(7).trimmed().toLongLong(); // "rchar: N"
}
} // namespace

// Where the file system shares blocks (LUMICAP_TEST_DIR on XFS or btrfs),
// the new file starts as a clone of the picture and only the changed blocks
// are written: beside a clone kept of the old picture, the saved one still
// shares nearly all of its blocks.
TEST_F(ASafeSave, startsFromACloneAndWritesOnlyTheChangedBlocks)
{
    const QString tiff = dir.file("big.tif");
    ASSERT_TRUE(writeTiff(tiff, 1200, 900));
    if (!runQuietly("cp", {"--reflink=always", tiff, dir.file("kept.tif")}))
        GTEST_SKIP() << "this file system shares no blocks";
    ASSERT_EQ(saveFields(tiff, sample), ImageStatus::Ok);
    EXPECT_EQ(readFields(tiff), sample);
    EXPECT_GT(sharedBytes(tiff), QFileInfo(tiff).size() * 9 / 10);
    EXPECT_EQ(decodePages(tiff), decodePages(dir.file("kept.tif")));
}

// A batch's group is bounded by the bytes its new files were written with:
// a clone of a picture larger than the bound is a few written blocks and
// leaves room in the group; a copy of it fills the group.
TEST_F(ASafeSave, countsWhatACloneWritesTowardsTheGroupsBound)
{
    const QString tiff = dir.file("huge.tif");
    ASSERT_TRUE(writeTiff(tiff, 4800, 4700)); // about 68 MB
    ASSERT_GT(QFileInfo(tiff).size(), SaveGroup::maxBytes);
    const bool cloned = runQuietly("cp", {"--reflink=always", tiff, dir.file("kept.tif")});
    ImageStatus status;
    auto image = openImageFile(QFile::encodeName(tiff), status);
    ASSERT_EQ(status, ImageStatus::Ok);
    writeMetadata(*image, sample, false);
    SaveGroup group;
    ASSERT_EQ(group.add(*image, QFile::encodeName(tiff)), ImageStatus::Ok);
    EXPECT_EQ(group.full(), !cloned);
    EXPECT_EQ(group.commit().saved, 1);
    EXPECT_EQ(readFields(tiff), sample);
}

// Opening and saving read a picture's structure, not its pixels: on a clone
// a TIFF's strips and a JPEG's compressed picture stay where they are;
// otherwise they are copied from the picture once.
TEST_F(ASafeSave, readsThePicturesStructureAndNotItsPixels)
{
    const bool cloned = runQuietly("cp", {"--reflink=always", path, dir.file("kept.jpg")});
    for (const QString name : {"big.tif", "big.jpg"}) {
        const QString file = dir.file(name);
        ASSERT_TRUE(name.endsWith("tif") ? writeTiff(file, 1200, 900) : writeJpeg(file, 2400, 1800));
        const QList<QImage> pixels = decodePages(file);
        const qint64 size = QFileInfo(file).size();
        // The first save of a JPEG grows its Exif segment: its picture moves.
        const MetadataFields last{"Harbour!", "Ann", "(c) Ann"};
        const std::pair<MetadataFields, bool> saves[] = {{sample, name.endsWith("tif")}, {last, true}};
        for (const auto &[fields, keepsPlaces] : saves) {
            const bool inPlace = cloned && keepsPlaces;
            const qint64 before = bytesRead();
            ASSERT_EQ(saveFields(file, fields), ImageStatus::Ok);
            EXPECT_LT(bytesRead() - before, inPlace ? size / 2 : size + size / 2) << name.toStdString();
            EXPECT_EQ(readFields(file), fields);
        }
        EXPECT_EQ(decodePages(file), pixels);
        if (haveExifTool()) {
            EXPECT_EQ(exifToolValue(file, "ImageDescription"), QByteArray("Harbour!"));
        }
    }
}
