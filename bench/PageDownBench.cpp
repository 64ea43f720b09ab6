// PageDown in the editor through a folder of 24-megapixel JPEGs (or
// 12-megapixel HEICs as a phone saves them, with a 320 x 240 thumbnail item):
// the time from the key to the end of the first paint that shows the new
// picture, with a pause on each picture (its neighbours preload meanwhile)
// and with the key held (the longest time the window does not answer).
//   pagedown_bench [pictures=20] [dwell ms=200] [repeat ms=30] [jpeg|heic]
//   (heic needs heif-enc on the path)
#include "BenchImages.h"
#include "EditorBench.h"
#include "editor/EditorDialog.h"
#include "imaging/ImageHolder.h"
#include "MemoryProbe.h"
#include "editor/PreviewCache.h"
#include "editor/PreviewFrame.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <vector>

using namespace lumicap;
using namespace lumicap::bench;

namespace {
double msSince(const QElapsedTimer &timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// The new picture's preview is ready: paint it now and say so.
bool paintedShown(EditorDialog &editor)
{
    ImageHolder *image = editor.controller().currentImage();
    PreviewFrame *frame = editor.preview();
    if (!image || editor.controller().previews().shown(*image, frame->rect()).isNull())
        return false;
    frame->repaint();
    return true;
}

// Runs the event loop for ms (waiting, not spinning: the decodes need the
// processor), returning the longest time it did not answer a 1 ms timer.
double runFor(double ms)
{
    QEventLoop loop;
    QTimer::singleShot(std::max(0, static_cast<int>(ms)), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    QElapsedTimer since;
    since.start();
    double longest = 0;
    QObject::connect(&beat, &QTimer::timeout, [&] {
        longest = std::max(longest, msSince(since));
        since.restart();
    });
    beat.start(1);
    loop.exec();
    return std::max(longest, msSince(since));
}

// Waits for the shown picture's preview and paints it; the time waited.
double waitShown(EditorDialog &editor)
{
    QElapsedTimer timer;
    timer.start();
    if (paintedShown(editor))
        return msSince(timer);
    QEventLoop loop;
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    QObject::connect(&editor.controller().previews(), &PreviewCache::decoded, &loop, [&] {
        if (paintedShown(editor))
            loop.quit();
    });
    loop.exec();
    return msSince(timer);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void settle(EditorDialog &editor)
{
    waitShown(editor);
    while (!editor.controller().previews().idle())
        runFor(20);
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true); // the editor's settings stay out of the user's
    QApplication app(argc, argv);
    const int pictures = std::max(3, argc > 1 ? std::atoi(argv[1]) : 20);
    const double dwell = argc > 2 ? std::atof(argv[2]) : 200;
    const double repeat = argc > 3 ? std::atof(argv[3]) : 30;
    const bool heic = argc > 4 && QByteArray(argv[4]) == "heic";
    const QString ext = heic ? "heic" : "jpg";

    QTemporaryDir dir;
    const QString folder = dir.filePath("photos");
    const QString single = dir.filePath("one");
    QDir().mkpath(folder);
    QDir().mkpath(single);
    const QString first = folder + "/photo00." + ext;
    if (heic) {
        const QString source = dir.filePath("source.jpg");
        if (!photoLikeImage(4000, 3000, 12345).save(source, "JPEG", 92)
            || QProcess::execute("heif-enc", {"-q", "60", "-t", "320", "-o", first, source}) != 0)
            return 1;
    } else if (!photoLikeImage(6000, 4000, 12345).save(first, "JPEG", 92)) {
        return 1;
    }
    for (int i = 1; i < pictures; ++i)
        QFile::copy(first, folder + QString::asprintf("/photo%02d.", i) + ext);
    QFile::copy(first, single + "/photo." + ext);

    SilentPrompt prompt;
    EditorDialog editor(prompt);
    editor.resize(800, 560);
    editor.show();
    if (!QTest::qWaitForWindowExposed(&editor))
        return 1;

    // One open picture, shown: the memory to compare with.
    editor.controller().openPath(single);
    settle(editor);
    malloc_trim(0);
    const double onePicture = residentMb();

    editor.controller().openPath(folder);
    settle(editor);
    std::vector<double> paused, command;
    for (int step = 0; step < 2 * (pictures - 1); ++step) {
        runFor(dwell);
        QElapsedTimer timer;
        timer.start();
        QTest::keyClick(&editor, step < pictures - 1 ? Qt::Key_PageDown : Qt::Key_PageUp);
        command.push_back(msSince(timer));
        waitShown(editor);
        paused.push_back(msSince(timer));
    }
    settle(editor);
    malloc_trim(0);
    const double preloaded = residentMb();

    // The key held: a press every repeat ms, the window answering between.
    double stall = 0;
    for (int step = 0; step < pictures - 1; ++step) {
        QElapsedTimer key;
        key.start();
        QTest::keyClick(&editor, Qt::Key_PageDown);
        stall = std::max(stall, msSince(key));
        stall = std::max(stall, runFor(repeat - msSince(key)));
    }
    const double last = waitShown(editor);

    if (editor.controller().position() != pictures - 1)
        std::printf("the key did not reach the last picture (at %d)\n", editor.controller().position() + 1);
    std::printf("%d %s (%lld bytes each), frame %dx%d\n", pictures, heic ? "12 MP HEICs" : "24 MP JPEGs", static_cast<long long>(QFile(first).size()),
                editor.preview()->width(), editor.preview()->height());
    std::printf("PageDown/PageUp after %.0f ms on each picture: median %.1f ms, longest %.1f ms (goal: median at most 16)\n", dwell, median(paused),
                *std::max_element(paused.begin(), paused.end()));
    std::printf("  of which the command (open the file, read the tags, fill the fields): median %.1f ms\n", median(command));
    std::printf("key held (a press every %.0f ms): longest event-loop stall %.1f ms (goal: under 50); last picture shown %.1f ms "
                "after its key\n",
                repeat, stall, last);
    std::printf("memory with the neighbours preloaded: +%.1f MB over one open picture (goal: at most 5)\n", preloaded - onePicture);
    return 0;
}
