#include "ImageList.h"
#include "MetadataReader.h"
#include "MetadataWriter.h"
#include "SafeSave.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <csignal>
#include <unistd.h>

using namespace lumicap;
using namespace lumicap::test;

namespace {
struct ProbeRun
{
    bool crashed = false;
    int status = -1;
};

ProbeRun probe(const QString &file, const QString &step, const QString &action, const QString &description,
               std::function<void()> childSetup = {})
{
    QProcess p;
    if (childSetup)
        p.setChildProcessModifier(childSetup);
    p.start(LUMICAP_SAVE_PROBE, {file, step, action, description});
    p.waitForFinished(60000);
    ProbeRun run;
    run.crashed = p.exitStatus() == QProcess::CrashExit;
    run.status = run.crashed ? -1 : p.readAllStandardOutput().trimmed().toInt();
    return run;
}

QByteArray description(const QString &path)
{
    ImageStatus status;
    auto image = OpenImageFile(QFile::encodeName(path), status);
    return status == ImageStatus::Ok ? ReadMetadata(*image).description : QByteArray("<unreadable>");
}

qint64 mtimeNs(const QString &path)
{
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return static_cast<qint64>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

bool makeImage(const QString &path, int width = 300, int height = 200)
{
    return path.endsWith(".tif") ? writeTiff(path, width, height) : writeJpeg(path, width, height);
}
} // namespace

class CrashPoints : public ::testing::TestWithParam<std::tuple<const char *, const char *>>
{
};

// Killed at any step, the image is the old or the new file, whole; what is
// left behind is recovered by the next save.
TEST_P(CrashPoints, leaveTheOldOrTheNewFileAndNothingThatBlocks)
{
    const QString ext = std::get<0>(GetParam());
    const QString step = std::get<1>(GetParam());
    TestFolder dir;
    const QString image = dir.file("photo." + ext);
    const QString twin = dir.file("twin." + ext);
    ASSERT_TRUE(makeImage(image));
    ASSERT_TRUE(QFile::copy(image, twin));
    const QByteArray before = readAll(image);
    ASSERT_EQ(probe(twin, "none", "", "New text").status, 0);
    const QByteArray after = readAll(twin);

    const ProbeRun killed = probe(image, step, "kill", "New text");
    EXPECT_TRUE(killed.crashed);
    const QByteArray now = readAll(image);
    EXPECT_TRUE(now == before || now == after);
    EXPECT_EQ(now, step == "renamed" ? after : before);
    // The leftover is never taken for an image, and the next save goes through.
    ImageList list;
    list.Scan(QFile::encodeName(dir.path()));
    for (const QByteArray &entry : list.entries())
        EXPECT_FALSE(entry.contains("_~"));
    EXPECT_EQ(probe(image, "none", "", "Later text").status, 0);
    EXPECT_EQ(description(image), QByteArray("Later text"));
    EXPECT_FALSE(QFile::exists(dir.file("_~photo." + ext)));
}

INSTANTIATE_TEST_SUITE_P(Steps, CrashPoints,
                         ::testing::Combine(::testing::Values("jpg", "tif"),
                                            ::testing::Values("created", "half", "flushed", "renaming", "renamed")));

struct Fault
{
    const char *ext;
    const char *step;
    int error;
};

class InjectedFaults : public ::testing::TestWithParam<Fault>
{
};

// A failing write, flush or rename: reported, the image byte for byte and
// time stamp as it was, and no temporary file left.
TEST_P(InjectedFaults, areReportedAndChangeNothing)
{
    const QString ext = GetParam().ext;
    TestFolder dir;
    const QString image = dir.file("photo." + ext);
    ASSERT_TRUE(makeImage(image));
    const QByteArray before = readAll(image);
    const qint64 stamp = mtimeNs(image);
    const ProbeRun run = probe(image, GetParam().step, QString::number(GetParam().error), "New text");
    EXPECT_FALSE(run.crashed);
    EXPECT_EQ(run.status, 7);
    EXPECT_EQ(readAll(image), before);
    EXPECT_EQ(mtimeNs(image), stamp);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"photo." + ext});
}

INSTANTIATE_TEST_SUITE_P(Errors, InjectedFaults,
                         ::testing::Values(Fault{"jpg", "half", ENOSPC}, Fault{"jpg", "flushed", EIO}, Fault{"jpg", "renaming", EXDEV},
                                           Fault{"tif", "half", ENOSPC}, Fault{"tif", "flushed", EIO},
                                           Fault{"tif", "renaming", EXDEV}));

TEST(AFullDisk, failsTheSaveCleanly)
{
    TestFolder dir;
    const QString image = dir.file("big.jpg");
    ASSERT_TRUE(writeJpeg(image, 1200, 900));
    const QByteArray before = readAll(image);
    // No file of ours may grow past 64 KB: writing the copy fails as on a
    // full disk.
    const ProbeRun run = probe(image, "none", "", "New text", [] {
        ::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit {64 * 1024, 64 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    EXPECT_FALSE(run.crashed);
    EXPECT_NE(run.status, 0);
    EXPECT_EQ(readAll(image), before);
    EXPECT_FALSE(QFile::exists(dir.file("_~big.jpg")));
}

TEST(PlantedTemporaryNames, areNeitherUsedNorRemoved)
{
    TestFolder dir;
    const QString image = dir.file("a.jpg");
    ASSERT_TRUE(writeJpeg(image));
    const QByteArray before = readAll(image);

    ASSERT_TRUE(QDir(dir.path()).mkpath("_~a.jpg/inside"));
    EXPECT_NE(probe(image, "none", "", "x").status, 0);
    EXPECT_TRUE(QFileInfo(dir.file("_~a.jpg/inside")).isDir());
    EXPECT_EQ(readAll(image), before);
    ASSERT_TRUE(QDir(dir.file("_~a.jpg")).removeRecursively());

    // A file of that name that no save of ours made stays, and blocks.
    ASSERT_TRUE(writeAll(dir.file("_~a.jpg"), "not ours"));
    EXPECT_EQ(probe(image, "none", "", "x").status, 7);
    EXPECT_EQ(readAll(dir.file("_~a.jpg")), QByteArray("not ours"));
    EXPECT_EQ(readAll(image), before);
}

TEST(FileAttributes, keepOwnerAndGroupWhereTheProcessMay)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root may give a file to another owner";
    TestFolder dir;
    const QString image = dir.file("a.jpg");
    ASSERT_TRUE(writeJpeg(image));
    ASSERT_EQ(::chown(QFile::encodeName(image).constData(), 1234, 2345), 0);
    ASSERT_EQ(probe(image, "none", "", "x").status, 0);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(image).constData(), &st), 0);
    EXPECT_EQ(st.st_uid, 1234u);
    EXPECT_EQ(st.st_gid, 2345u);
}

TEST(AwkwardNames, saveOrFailCleanly)
{
    TestFolder dir;
    const QByteArray folder = QFile::encodeName(dir.path()) + "/";
    const QList<QByteArray> names = {"caf\xE9 \xFF.jpg", "-starts-with-dash.jpg", "ends with bar|.jpg", "  spaced  .jpg",
                                     QByteArray(249, 'n') + ".jpg"}; // 253 bytes: "_~" makes 255
    for (const QByteArray &name : names) {
        SCOPED_TRACE(name.toStdString());
        // Made and saved by their bytes: a name need not be valid UTF-8.
        ASSERT_TRUE(writeJpeg(QFile::decodeName(folder + "tmp.jpg")));
        ASSERT_EQ(::rename((folder + "tmp.jpg").constData(), (folder + name).constData()), 0);
        ImageStatus status;
        auto image = OpenImageFile(folder + name, status);
        ASSERT_EQ(status, ImageStatus::Ok);
        WriteMetadata(*image, {"Named", "", ""}, false);
        EXPECT_EQ(SaveImageFile(*image, folder + name), ImageStatus::Ok);
        image = OpenImageFile(folder + name, status);
        ASSERT_EQ(status, ImageStatus::Ok);
        EXPECT_EQ(ReadMetadata(*image).description, QByteArray("Named"));
    }
    // 254 bytes: the temporary name no longer fits; a clean error.
    const QByteArray longest = QByteArray(250, 'l') + ".jpg";
    ASSERT_TRUE(writeJpeg(QFile::decodeName(folder + "tmp.jpg")));
    ASSERT_EQ(::rename((folder + "tmp.jpg").constData(), (folder + longest).constData()), 0);
    const QByteArray before = readAll(QFile::decodeName(folder + longest));
    EXPECT_EQ(probe(QFile::decodeName(folder + longest), "none", "", "Named").status, 7);
    EXPECT_EQ(readAll(QFile::decodeName(folder + longest)), before);
}

TEST(NonRegularFiles, areRefusedAtOnce)
{
    TestFolder dir;
    ASSERT_EQ(::mkfifo(dir.bytePath("fifo.jpg").constData(), 0644), 0);
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.jpg"));
    ASSERT_TRUE(QFile::link("/dev/null", dir.file("device.jpg")));
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    struct sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray socketPath = dir.bytePath("socket.jpg");
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.constData());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);

    ImageList list;
    EXPECT_EQ(list.Scan(QFile::encodeName(dir.path())), 0);
    for (const char *name : {"fifo.jpg", "folder.jpg", "device.jpg", "socket.jpg"}) {
        SCOPED_TRACE(name);
        ImageStatus status;
        OpenImageFile(dir.bytePath(name), status);
        EXPECT_EQ(status, ImageStatus::InvalidParameter);
    }
    ::close(sock);
}
