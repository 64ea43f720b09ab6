#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <sys/resource.h>

using namespace lumicap::test;

// Damaged and crafted files from a metadata library's regression suite, kept
// beside the project when it is checked out in its workplace.
static QString hostileFolder()
{
    for (const char *candidate : {LUMICAP_SOURCE_DIR "/../shared/corpus/hostile", LUMICAP_SOURCE_DIR "/../../shared/corpus/hostile"}) {
        if (QDir(candidate).exists())
            return QDir(candidate).absolutePath();
    }
    return {};
}

// Each file is opened, read and saved (as a copy) by a child process with a
// memory limit and a time limit: no signal, no hang, a result or a status,
// and no change to a file whose save failed.
TEST(HostileFiles, giveAResultOrAStatusInAChildThatStaysWithinItsLimits)
{
    const QString folder = hostileFolder();
    if (folder.isEmpty())
        GTEST_SKIP() << "no hostile corpus beside this checkout";
    TestFolder dir;
    const QStringList names = QDir(folder).entryList(QDir::Files);
    EXPECT_GT(names.size(), 200);
    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        for (const char *as : {"x.jpg", "x.tif"}) {
            const QString copy = dir.file(as);
            QFile::remove(copy);
            ASSERT_TRUE(QFile::copy(QDir(folder).filePath(name), copy));
            QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);

            QProcess p;
            p.setChildProcessModifier([] {
#if !defined(__SANITIZE_ADDRESS__)
                const struct rlimit memory {1024L << 20, 1024L << 20}; // the sanitizer needs more address space
                ::setrlimit(RLIMIT_AS, &memory);
#endif
                const struct rlimit cpu {30, 30};
                ::setrlimit(RLIMIT_CPU, &cpu);
            });
            p.start(LUMICAP_HOSTILE_PROBE, {copy});
            const bool finished = p.waitForFinished(60000);
            if (!finished)
                p.kill();
            EXPECT_TRUE(finished) << "hung";
            EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << p.readAllStandardError().toStdString();
            EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardOutput().toStdString();
        }
    }
}
