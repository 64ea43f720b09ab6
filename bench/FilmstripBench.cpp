// The filmstrip on a large folder: the time from opening the folder to the
// first screen of thumbnails all drawn, the first time (no shared thumbnail
// on disk: each is decoded) and again in a new window (the shared thumbnails
// written the first time are read back), then until every picture's marks
// are read. The pictures are links to a few distinct 12-megapixel JPEGs with
// no Exif thumbnail, so that each thumbnail needs a reduced decode.
//   filmstrip_bench [pictures=2000] [distinct=20]
#include "BenchImages.h"
#include "EditorBench.h"
#include "editor/EditorDialog.h"
#include "editor/Filmstrip.h"
#include "editor/FilmstripModel.h"
#include "editor/ThumbnailDiskCache.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace lumicap;
using namespace lumicap::bench;

namespace {
struct Times
{
    double firstScreen = 0;
    double allMarks = 0;
    int onScreen = 0;
};

Times openFolder(const QString &folder)
{
    SilentPrompt prompt;
    EditorDialog editor(prompt);
    editor.resize(800, 560);
    editor.show();
    if (!QTest::qWaitForWindowExposed(&editor))
        std::exit(1);
    FilmstripModel &strip = editor.controller().filmstrip();
    QElapsedTimer timer;
    timer.start();
    editor.controller().openPath(folder);
    Times times;
    times.onScreen = editor.filmstrip()->viewport()->width() / editor.filmstrip()->thumbnailRect(0).width() + 1;
    const auto shown = [&] {
        for (int i = 0; i < std::min(times.onScreen, strip.count()); ++i) {
            if (strip.image(i).isNull())
                return false;
        }
        return true;
    };
    (void)QTest::qWaitFor(shown, 60000);
    times.firstScreen = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    (void)QTest::qWaitFor([&] { return strip.idle(); }, 600000);
    times.allMarks = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    return times;
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true); // settings and shared thumbnails stay out of the user's
    QApplication app(argc, argv);
    const int pictures = std::max(1, argc > 1 ? std::atoi(argv[1]) : 2000);
    const int distinct = std::clamp(argc > 2 ? std::atoi(argv[2]) : 20, 1, pictures);

    QTemporaryDir dir;
    const QString folder = dir.filePath("photos");
    QDir().mkpath(folder);
    for (int i = 0; i < distinct; ++i) {
        if (!photoLikeImage(4000, 3000, 100 + static_cast<unsigned>(i)).save(dir.filePath(QString::asprintf("source%02d.jpg", i)), "JPEG", 90))
            return 1;
    }
    for (int i = 0; i < pictures; ++i)
        QFile::link(dir.filePath(QString::asprintf("source%02d.jpg", i % distinct)), folder + QString::asprintf("/IMG_%04d.jpg", i));

    const Times cold = openFolder(folder);
    const Times warm = openFolder(folder);
    std::printf("%d pictures (links to %d distinct 12 MP JPEGs without an Exif thumbnail), %d thumbnails on the first screen\n", pictures, distinct,
                cold.onScreen);
    std::printf("first screen of thumbnails: %.0f ms decoded, %.0f ms from the shared thumbnails on disk (goal: at most 1000)\n", cold.firstScreen,
                warm.firstScreen);
    std::printf("every picture's marks read: %.0f ms, then %.0f ms\n", cold.allMarks, warm.allMarks);

    // The shared thumbnails made here are of files that are gone now.
    for (int i = 0; i < pictures; ++i)
        QFile::remove(ThumbnailDiskCache::fileFor(ThumbnailDiskCache::uriOf(QFile::encodeName(folder + QString::asprintf("/IMG_%04d.jpg", i)))));
    return 0;
}
