#include "TestFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

using namespace lumicap::test;

// Saves of a group of three TIFFs killed from outside at random moments:
// each is always whole, with the old or the new description and its own
// pixels.
TEST(KilledSaves, neverLeaveAMissingOrTruncatedImage)
{
    TestFolder dir;
    QStringList images;
    QList<QList<QImage>> pixels;
    QList<QByteArray> current;
    for (int i = 0; i < 3; ++i) {
        images << dir.file(QString("large%1.tif").arg(i));
        ASSERT_TRUE(writeTiff(images.last(), 2000, 1000, i + 1)); // 6 MB
        pixels << decodePages(images.last());
        current << tagsDirectly(images.last()).value(0);
    }
    QRandomGenerator random(20261206);
    int killed = 0;
    for (int round = 0; round < 200; ++round) {
        const QByteArray next = "Round " + QByteArray::number(round);
        QProcess p;
        p.start(LUMICAP_SAVE_PROBE, QStringList{images.first(), "none", "", QString::fromUtf8(next)} + images.mid(1));
        ASSERT_TRUE(p.waitForStarted());
        // The group takes about 70 ms here (debug build); the steps
        // between renames, which random kills rarely hit, are CrashPoints'.
        QThread::usleep(random.bounded(1000, 100000));
        ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
        p.waitForFinished(60000);
        killed += p.exitStatus() == QProcess::CrashExit;

        for (int i = 0; i < images.size(); ++i) {
            const QByteArray now = tagsDirectly(images[i]).value(0, "<unreadable>");
            ASSERT_TRUE(now == current[i] || now == next) << "round " << round << ", picture " << i << ": " << now.toStdString();
            current[i] = now;
            ASSERT_GT(QFileInfo(images[i]).size(), 5900000);
            if (round % 40 == 0) {
                ASSERT_EQ(decodePages(images[i]), pixels[i]) << "round " << round;
            }
        }
    }
    for (int i = 0; i < images.size(); ++i)
        EXPECT_EQ(decodePages(images[i]), pixels[i]);
    EXPECT_GT(killed, 20); // many were killed part-way, not after they ended
    RecordProperty("killed", killed);
}

// A JPEG made of a hundred megabytes of tiny colour-profile segments once
// kept a metadata library busy for over a minute. Its header is ours to walk;
// opening it must not take long (a child with a time limit).
TEST(ManySmallSegments, doNotHoldTheOpenUp)
{
    TestFolder dir;
    const QString path = dir.file("segments.jpg");
    ASSERT_TRUE(writeJpeg(path, 16, 16));
    QByteArray jpeg = readAll(path);
    QByteArray segments;
    const QByteArray tiny("\xFF\xE2\x00\x10ICC_PROFILE\x00\x01\x01", 18);
    segments.reserve(100 << 20);
    while (segments.size() < (100 << 20))
        segments += tiny;
    jpeg.insert(2, segments);
    ASSERT_TRUE(writeAll(path, jpeg));

    QProcess p;
    p.setChildProcessModifier([] {
        const struct rlimit cpu
        {
            60, 60
        };
        ::setrlimit(RLIMIT_CPU, &cpu);
    });
    QElapsedTimer timer;
    timer.start();
    p.start(LUMICAP_SAVE_PROBE, {path, "none", "", "After the segments"});
    ASSERT_TRUE(p.waitForFinished(120000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.readAllStandardOutput().trimmed(), QByteArray("0"));
    EXPECT_EQ(tagsDirectly(path).value(0), QByteArray("After the segments"));
    RecordProperty("milliseconds", static_cast<int>(timer.elapsed()));
}

// Two saves of one picture, one setting the description and one the artist,
// started together 300 times: each reports success and both changes are in
// the picture every time.
TEST(RacingSaves, keepBothChangesEveryTime)
{
    TestFolder dir;
    const QString image = dir.file("race.jpg");
    ASSERT_TRUE(writeJpeg(image, 300, 200));
#if defined(__SANITIZE_ADDRESS__)
    const int rounds = 60; // each sanitized process takes a good part of a second to start
#else
    const int rounds = 300;
#endif
    for (int round = 0; round < rounds; ++round) {
        const QString description = "D" + QString::number(round);
        const QString artist = "A" + QString::number(round);
        QProcess first;
        QProcess second;
        first.start(LUMICAP_TAGS_BINARY, {"set", "--description", description, image});
        second.start(LUMICAP_TAGS_BINARY, {"set", "--artist", artist, image});
        ASSERT_TRUE(first.waitForFinished(30000) && second.waitForFinished(30000));
        ASSERT_EQ(first.exitCode(), 0) << "round " << round << ": " << first.readAllStandardError().toStdString();
        ASSERT_EQ(second.exitCode(), 0) << "round " << round << ": " << second.readAllStandardError().toStdString();
        const QList<QByteArray> tags = tagsDirectly(image);
        ASSERT_EQ(tags.value(0), description.toUtf8()) << "round " << round;
        ASSERT_EQ(tags.value(1), artist.toUtf8()) << "round " << round;
    }
}
