#include "metadata/ImageList.h"
#include "metadata/Journal.h"
#include "metadata/MetadataReader.h"
#include "metadata/MetadataWriter.h"
#include "metadata/SafeSave.h"
#include "SaveTestSupport.h"
#include "metadata/SaveUndo.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

using namespace lumicap;
using namespace lumicap::test;

namespace {
struct ProbeRun
{
    bool crashed = false;
    int status = -1;
};

ProbeRun finished(QProcess &p)
{
    p.waitForFinished(60000);
    ProbeRun run;
    run.crashed = p.exitStatus() == QProcess::CrashExit;
    run.status = run.crashed ? -1 : p.readAllStandardOutput().trimmed().split('\n').last().toInt();
    return run;
}

// Saves the files with save_probe, as one group when there are several.
ProbeRun probe(const QStringList &files, const QString &step, const QString &action, const QString &description,
               std::function<void()> childSetup = {})
{
    QProcess p;
    if (childSetup)
        p.setChildProcessModifier(childSetup);
    p.start(LUMICAP_SAVE_PROBE, QStringList{files.first(), step, action, description} + files.mid(1));
    return finished(p);
}

// Whether this file system gives read leases (not every one does, and a
// process must own the file or have CAP_LEASE).
bool leasesWork(const QString &file)
{
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY);
    const bool leased = fd >= 0 && ::fcntl(fd, F_SETLEASE, F_RDLCK) == 0;
    if (fd >= 0)
        ::close(fd);
    return leased;
}

// Waits until a process waits in open() for our lease on path to be let go.
// /proc/locks lists every lease of the machine, so the line must name path's
// inode: tests running beside this one break leases of their own.
bool leaseBreaking(const QString &path)
{
    struct stat st = {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    const QByteArray inode = ":" + QByteArray::number(static_cast<qulonglong>(st.st_ino)) + " ";
    for (int i = 0; i < 500; ++i) {
        QFile locks("/proc/locks");
        if (!locks.open(QIODevice::ReadOnly | QIODevice::Text))
            continue;
        for (const QByteArray &line : locks.readAll().split('\n')) {
            if (line.contains("BREAKING") && line.contains(inode))
                return true;
        }
        QThread::msleep(10);
    }
    return false;
}

qint64 mtimeNs(const QString &path)
{
    struct stat st
    {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return static_cast<qint64>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}
} // namespace

// Pictures of one kind, all alike, and their twin saved once: a picture is
// either `before` or `after`, byte for byte.
struct Pictures
{
    Pictures(const TestFolder &dir, const QString &ext, int count)
    {
        for (int i = 0; i < count; ++i)
            paths << dir.file(QString("photo%1.%2").arg(i).arg(ext));
        const QString twin = dir.file("twin." + ext);
        made = ext == "tif" ? writeTiff(twin, 300, 200) : writeJpeg(twin, 300, 200);
        before = readAll(twin);
        for (const QString &path : paths)
            made = made && QFile::copy(twin, path);
        made = made && probe({twin}, "none", "", "New text").status == 0;
        after = readAll(twin);
        made = made && QFile::remove(twin);
    }
    QStringList paths;
    QByteArray before, after;
    bool made = false;
};

// A save of one picture, or of a group of three (STEP:N is the step's Nth
// time), killed at a step or failed there with an errno; `saved` pictures
// are new by then.
struct StepCase
{
    const char *ext;
    int pictures;
    const char *step;
    int error; // 0: killed
    int saved;
};

void PrintTo(const StepCase &c, std::ostream *os)
{
    *os << c.ext << " x" << c.pictures << " " << c.step << " " << (c.error ? "errno " + std::to_string(c.error) : "kill");
}

using SaveSteps = ::testing::TestWithParam<StepCase>;

// Each picture is its old or its new file, whole. A failure is reported
// and leaves the picture it hit, and the ones after it, byte for byte and
// time stamp as they were, and no temporary file. What a kill leaves behind
// is never taken for a picture and is recovered by the next save. The
// journal takes back each save that replaced its picture, and finds nothing
// to undo in one that did not.
TEST_P(SaveSteps, leaveEachPictureOldOrNewAndNothingThatBlocks)
{
    const StepCase &c = GetParam();
    TestFolder dir;
    qputenv("XDG_STATE_HOME", QFile::encodeName(dir.file("state"))); // the probe's journal
    const Pictures pictures(dir, c.ext, c.pictures);
    ASSERT_TRUE(pictures.made);
    const qint64 stamp = mtimeNs(pictures.paths.last());

    const ProbeRun run = probe(pictures.paths, c.step, c.error ? QString::number(c.error) : "kill", "New text");
    EXPECT_EQ(run.crashed, c.error == 0);
    for (int i = 0; i < c.pictures; ++i)
        EXPECT_EQ(readAll(pictures.paths[i]), i < c.saved ? pictures.after : pictures.before) << i;
    if (c.error) {
        EXPECT_EQ(run.status, 7);
        EXPECT_EQ(mtimeNs(pictures.paths.last()), stamp);
        EXPECT_EQ(leftovers(dir.path()), QStringList());
    }
    for (const QByteArray &entry : ImageList::listImages(QFile::encodeName(dir.path())))
        EXPECT_FALSE(entry.contains("_~"));
    const SaveUndo journal(Journal(Journal::userFolder()).entries());
    for (int i = 0; i < c.pictures; ++i) {
        const UndoResult undone = journal.lastSave(QFile::encodeName(pictures.paths[i]), false);
        EXPECT_EQ(undone.outcome, i < c.saved ? UndoResult::Outcome::Restored : UndoResult::Outcome::NothingToUndo) << i;
        EXPECT_EQ(tagsDirectly(pictures.paths[i]), QList<QByteArray>({"", "", ""})) << i;
        if (i >= c.saved) {
            EXPECT_EQ(readAll(pictures.paths[i]), pictures.before) << i;
        }
    }
    EXPECT_EQ(probe(pictures.paths, "none", "", "Later text").status, 0);
    // A save stopped before its rename shows as not completed, and even a
    // forced undo of its run leaves what was saved since.
    const SaveUndo later(Journal(Journal::userFolder()).entries());
    QByteArray stopped;
    for (int i = 0; i < c.pictures; ++i) {
        for (const auto &[entry, completed] : later.history(QFile::encodeName(pictures.paths[i]))) {
            const bool first = entry.fields.at(0).newValue.value_or("").startsWith("New text");
            stopped = first ? entry.run : stopped;
            EXPECT_EQ(completed, !first || i < c.saved) << i;
        }
    }
    const std::vector<UndoResult> forced = later.run(stopped, true);
    for (std::size_t i = 0; i < forced.size(); ++i)
        EXPECT_EQ(forced[i].outcome, int(i) < c.saved ? UndoResult::Outcome::Restored : UndoResult::Outcome::NothingToUndo) << i;
    for (int i = c.saved; i < c.pictures; ++i)
        EXPECT_EQ(tagsDirectly(pictures.paths[i]).value(0), QByteArray("Later text"));
    EXPECT_EQ(leftovers(dir.path()), QStringList());
}

// A group goes: created and half written for each picture in turn, all
// flushed, then flushed (as a step), renaming and renamed for each in turn.
INSTANTIATE_TEST_SUITE_P(CrashPoints, SaveSteps,
                         ::testing::Values(StepCase{"tif", 1, "created", 0, 0}, StepCase{"tif", 1, "half", 0, 0}, StepCase{"tif", 1, "flushed", 0, 0},
                                           StepCase{"tif", 1, "renaming", 0, 0}, StepCase{"tif", 1, "renamed", 0, 1},
                                           StepCase{"jpg", 3, "created:2", 0, 0}, StepCase{"jpg", 3, "half:3", 0, 0},
                                           StepCase{"jpg", 3, "flushed:1", 0, 0}, StepCase{"jpg", 3, "flushed:2", 0, 1},
                                           StepCase{"jpg", 3, "renaming:3", 0, 2}, StepCase{"jpg", 3, "renamed:3", 0, 3}));
INSTANTIATE_TEST_SUITE_P(InjectedFaults, SaveSteps,
                         ::testing::Values(StepCase{"tif", 1, "half", ENOSPC, 0}, StepCase{"tif", 1, "flushed", EIO, 0},
                                           StepCase{"tif", 1, "renaming", EXDEV, 0}, StepCase{"jpg", 3, "half:2", ENOSPC, 1},
                                           StepCase{"jpg", 3, "flushed:2", EIO, 1}, StepCase{"jpg", 3, "renaming:3", EXDEV, 2}));

TEST(AFullDisk, failsTheSaveCleanly)
{
    TestFolder dir;
    const QString image = dir.file("big.jpg");
    ASSERT_TRUE(writeJpeg(image, 1200, 900));
    const QByteArray before = readAll(image);
    // No file of ours may grow past 64 KB: writing the copy fails as on a
    // full disk.
    const ProbeRun run = probe({image}, "none", "", "New text", [] {
        ::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit
        {
            64 * 1024, 64 * 1024
        };
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
    EXPECT_NE(probe({image}, "none", "", "x").status, 0);
    EXPECT_TRUE(QFileInfo(dir.file("_~a.jpg/inside")).isDir());
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
    ASSERT_EQ(probe({image}, "none", "", "x").status, 0);
    struct stat st
    {};
    ASSERT_EQ(::stat(QFile::encodeName(image).constData(), &st), 0);
    EXPECT_EQ(st.st_uid, 1234u);
    EXPECT_EQ(st.st_gid, 2345u);
}

TEST(AwkwardNames, saveOrFailCleanly)
{
    TestFolder dir;
    const QByteArray folder = QFile::encodeName(dir.path()) + "/";
    // 253 bytes: "_~" makes 255; at 254 the temporary name no longer fits,
    // a clean error that leaves the picture as it was.
    const QList<QByteArray> names = {"caf\xE9 \xFF.jpg", "-starts-with-dash.jpg",       "ends with bar|.jpg",
                                     "  spaced  .jpg",   QByteArray(249, 'n') + ".jpg", QByteArray(250, 'l') + ".jpg"};
    for (const QByteArray &name : names) {
        SCOPED_TRACE(name.toStdString());
        // Made and saved by their bytes: a name need not be valid UTF-8.
        ASSERT_TRUE(writeJpeg(QFile::decodeName(folder + "tmp.jpg")));
        const QByteArray before = readAll(QFile::decodeName(folder + "tmp.jpg"));
        ASSERT_EQ(::rename((folder + "tmp.jpg").constData(), (folder + name).constData()), 0);
        const bool fits = name.size() <= 253;
        ImageStatus status;
        auto image = openImageFile(folder + name, status);
        ASSERT_EQ(status, ImageStatus::Ok);
        writeMetadata(*image, {"Named", "", ""}, false);
        EXPECT_EQ(statusNumber(saveImageFile(*image, folder + name)), fits ? 0 : 7);
        if (!fits) {
            EXPECT_EQ(readAll(QFile::decodeName(folder + name)), before);
        }
        image = openImageFile(folder + name, status);
        ASSERT_EQ(status, ImageStatus::Ok);
        EXPECT_EQ(readMetadata(*image).description, fits ? QByteArray("Named") : QByteArray());
    }
}

TEST(NonRegularFiles, areRefusedAtOnce)
{
    TestFolder dir;
    ASSERT_EQ(::mkfifo(dir.bytePath("fifo.jpg").constData(), 0644), 0);
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.jpg"));
    ASSERT_TRUE(QFile::link("/dev/null", dir.file("device.jpg")));
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    struct sockaddr_un address
    {};
    address.sun_family = AF_UNIX;
    const QByteArray socketPath = dir.bytePath("socket.jpg");
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.constData());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);

    EXPECT_TRUE(ImageList::listImages(QFile::encodeName(dir.path())).empty());
    for (const char *name : {"fifo.jpg", "folder.jpg", "device.jpg", "socket.jpg"}) {
        SCOPED_TRACE(name);
        ImageStatus status;
        openImageFile(dir.bytePath(name), status);
        EXPECT_EQ(status, ImageStatus::InvalidParameter);
    }
    ::close(sock);
}

// Other writers. A save holds the picture for its whole course: other saves
// of ours wait for it, and a program writing the picture is never cut short.

// Another save holds the picture: a save waits a few seconds for it, then
// says the picture is in use (status 4) and leaves it as it was.
TEST(ASavedPictureHeldByAnotherSave, isWaitedForBrieflyThenReportedInUse)
{
    TestFolder dir;
    const QString image = dir.file("a.jpg");
    ASSERT_TRUE(writeJpeg(image));
    const QByteArray before = readAll(image);
    for (const int holdMs : {300, 4000}) {
        SCOPED_TRACE(holdMs);
        const int fd = ::open(QFile::encodeName(image).constData(), O_RDONLY);
        ASSERT_EQ(::flock(fd, LOCK_EX), 0);
        std::thread holder([fd, holdMs] {
            std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
            ::close(fd);
        });
        QElapsedTimer timer;
        timer.start();
        ImageStatus status;
        auto opened = openImageFile(QFile::encodeName(image), status);
        writeMetadata(*opened, {"Held", "", ""}, false);
        status = saveImageFile(*opened, QFile::encodeName(image));
        holder.join();
        if (holdMs < 1000) {
            EXPECT_EQ(status, ImageStatus::Ok);
            EXPECT_EQ(tagsDirectly(image).value(0), QByteArray("Held"));
            ASSERT_TRUE(writeAll(image, before));
        } else {
            EXPECT_EQ(status, ImageStatus::ObjectBusy);
            EXPECT_GE(timer.elapsed(), 2000);
            EXPECT_EQ(readAll(image), before);
        }
    }
}

// A program that writes a photo in place and pauses part-way: the save
// refuses (status 4) and the program's photo ends up whole.
TEST(AWriterThatPausesMidFile, getsItsWholeFileAndTheSaveGivesWay)
{
    TestFolder dir;
    const QString image = dir.file("photo.jpg");
    const QString next = dir.file("next.jpg");
    ASSERT_TRUE(writeJpeg(image));
    if (!leasesWork(image))
        GTEST_SKIP() << "no read leases here";
    ASSERT_TRUE(writeJpeg(next, 300, 200, 7));
    const QByteArray written = readAll(next);
    const qint64 part = written.size() * 6 / 10;
    QProcess writer;
    writer.start("sh", {"-c", "{ head -c $2 \"$1\"; sleep 1; tail -c +$(($2 + 1)) \"$1\"; } > \"$0\"", image, next, QString::number(part)});
    for (int i = 0; i < 500 && QFileInfo(image).size() != part; ++i)
        QThread::msleep(10);
    ASSERT_EQ(QFileInfo(image).size(), part);
    const ProbeRun run = probe({image}, "none", "", "New text");
    ASSERT_TRUE(writer.waitForFinished(20000));
    EXPECT_EQ(run.status, 4);
    EXPECT_EQ(readAll(image), written);
    EXPECT_EQ(leftovers(dir.path()), QStringList());
}

using AWriterDuringTheSave = ::testing::TestWithParam<const char *>;

// A program opens the picture for writing while the save is at a step: it
// gets its change into the picture, and the save says it gave way. At
// "STEP:N" the save is of a group of N and the picture is the last: the ones
// before it are saved.
TEST_P(AWriterDuringTheSave, keepsItsChangeAndTheSaveGivesWay)
{
    TestFolder dir;
    QStringList pictures;
    for (int i = 0; i < std::max(1, QString(GetParam()).section(':', 1).toInt()); ++i) {
        pictures << dir.file(QString("photo%1.jpg").arg(i));
        ASSERT_TRUE(writeJpeg(pictures.last()));
    }
    const QString image = pictures.last();
    if (!leasesWork(image))
        GTEST_SKIP() << "no read leases here";
    const QByteArray before = readAll(image);
    QProcess save;
    save.start(LUMICAP_SAVE_PROBE, QStringList{pictures.first(), GetParam(), "wait", "New text"} + pictures.mid(1));
    ASSERT_TRUE(save.waitForReadyRead(20000));
    QProcess writer;
    writer.start("sh", {"-c", "printf appended >> \"$0\"", image});
    ASSERT_TRUE(leaseBreaking(image));
    save.write("\n");
    const ProbeRun run = finished(save);
    ASSERT_TRUE(writer.waitForFinished(20000));
    EXPECT_EQ(run.status, 4);
    EXPECT_EQ(readAll(image), before + "appended");
    for (const QString &saved : pictures.mid(0, pictures.size() - 1))
        EXPECT_EQ(tagsDirectly(saved).value(0), QByteArray("New text"));
    EXPECT_EQ(leftovers(dir.path()), QStringList());
}

INSTANTIATE_TEST_SUITE_P(Steps, AWriterDuringTheSave, ::testing::Values("flushed", "renaming", "renaming:2"));

using UnderAMemoryLimit = ::testing::TestWithParam<const char *>;

// Memory that cannot be had, when the picture is opened (a TIFF is read
// whole) or saved (a JPEG is read whole only then): status 3, the picture
// unchanged, nothing left behind.
TEST_P(UnderAMemoryLimit, aSaveReportsOutOfMemoryAndChangesNothing)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer reserves more address space than any limit leaves";
#endif
    TestFolder dir;
    const QString image = dir.file(QString("large.") + GetParam());
    if (image.endsWith(".tif")) {
        ASSERT_TRUE(writeTiff(image, 3000, 2000)); // 18 MB
    } else {
        ASSERT_TRUE(writeJpeg(image));
        ASSERT_TRUE(writeAll(image, readAll(image) + QByteArray(40 << 20, '\0'))); // data after the picture
    }
    const QByteArray before = readAll(image);
    qputenv("LUMICAP_PROBE_HEADROOM_MB", "12"); // the probe inherits it
    const ProbeRun run = probe({image}, "none", "", "New text");
    qunsetenv("LUMICAP_PROBE_HEADROOM_MB");
    EXPECT_FALSE(run.crashed);
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(readAll(image), before);
    EXPECT_EQ(leftovers(dir.path()), QStringList());
}

INSTANTIATE_TEST_SUITE_P(Formats, UnderAMemoryLimit, ::testing::Values("jpg", "tif"));
