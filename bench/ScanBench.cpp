// Scan of a large folder against a bare listing of the same folder.
//   scan_bench [entries=20000] [rounds=9]
#include "BenchTimer.h"
#include "metadata/ImageList.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace lumicap;
using namespace lumicap::bench;

int main(int argc, char **argv)
{
    const int entries = argc > 1 ? std::atoi(argv[1]) : 20000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 9;
    QTemporaryDir dir;
    const char *extensions[] = {".jpg", ".JPG", ".tif", ".txt", ".jpeg", ".png"};
    for (int i = 0; i < entries; ++i) {
        QFile f(dir.filePath(QString("IMG_%1%2").arg(i * 7919 % entries).arg(extensions[i % 6])));
        if (!f.open(QIODevice::WriteOnly)) {
            std::perror("create");
            return 1;
        }
    }
    const QByteArray folder = QFile::encodeName(dir.path());
    std::size_t sink = 0;

    const double bare = medianMs(rounds, [&] {
        std::vector<std::string> names;
        for (const auto &e : std::filesystem::directory_iterator(folder.toStdString()))
            names.push_back(e.path().filename().string());
        sink += names.size();
    });
    const double scan = medianMs(rounds, [&] { sink += ImageList::listImages(folder).size(); });

    std::printf("folder of %d entries, median of %d rounds\n", entries, rounds);
    report("bare std::filesystem listing", bare, bare);
    report("image scan (filter + sort)", scan, bare);
    std::printf("ratio %.2f (goal: at most 1.5)\n", scan / bare);
    return sink == 0;
}
