#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <sys/resource.h>

using namespace lumicap::test;

// Every file is opened, read and saved (as a copy) by a child process with a
// memory limit and a time limit: no signal, no hang, a result or a status,
// and no change to a file whose save failed. One child takes them all, as
// starting one per file cost most of the test's time.
TEST(HostileFiles, giveAResultOrAStatusInAChildThatStaysWithinItsLimits)
{
    // Damaged and crafted files from a metadata library's regression suite.
    const QString folder = sharedCorpusFolder() + "/hostile";
    if (sharedCorpusFolder().isEmpty() || !QDir(folder).exists())
        GTEST_SKIP() << "no hostile corpus beside this checkout";
    TestFolder dir;
    QStringList args{dir.path()};
    for (const QString &name : QDir(folder).entryList(QDir::Files))
        args << QDir(folder).filePath(name);
    EXPECT_GT(args.size(), 200);

    QProcess p;
    p.setChildProcessModifier([] {
#if !defined(__SANITIZE_ADDRESS__)
        const struct rlimit memory
        {
            1024L << 20, 1024L << 20
        }; // the sanitizer needs more address space
        ::setrlimit(RLIMIT_AS, &memory);
#endif
        const struct rlimit cpu
        {
            300, 300
        };
        ::setrlimit(RLIMIT_CPU, &cpu);
    });
    p.start(LUMICAP_HOSTILE_PROBE, args);
    const bool finished = p.waitForFinished(600000);
    if (!finished)
        p.kill();
    // The last line it wrote names the file it was on.
    const QByteArrayList lines = p.readAllStandardError().trimmed().split('\n');
    const std::string last = lines.last().toStdString();
    EXPECT_TRUE(finished) << "hung on " << last;
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << "crashed on " << last;
    EXPECT_EQ(p.exitCode(), 0) << "changed or littered " << last;
}
