// Saving the tags of a 200 MB TIFF: time, and peak memory against the file's
// size (the goal: near the size, not a multiple of it).
//   large_tiff_bench LUMICAP_TAGS [megabytes=200]
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    const int megabytes = argc > 2 ? std::atoi(argv[2]) : 200;
    QTemporaryDir dir(QDir::currentPath() + "/tiff-bench-XXXXXX");
    const QString path = dir.filePath("large.tif");
    // An uncompressed RGB picture of about the asked size.
    const int side = static_cast<int>(std::sqrt(megabytes * 1024.0 * 1024.0 / 3));
    QImage image(side, side, QImage::Format_RGB888);
    for (int y = 0; y < side; ++y) {
        uchar *line = image.scanLine(y);
        for (int x = 0; x < side * 3; ++x)
            line[x] = static_cast<uchar>((x * 7 + y * 13) & 0xFF);
    }
    if (!image.save(path, "TIFF"))
        return 1;
    image = QImage();
    const double size = QFileInfo(path).size() / (1024.0 * 1024.0);

    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execl(argv[1], argv[1], "set", "--description", "A very large scan", path.toLocal8Bit().constData(), nullptr);
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage
    {};
    ::wait4(pid, &status, 0, &usage);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("TIFF of %.0f MB: saved in %.0f ms, peak memory %.0f MB (%.2fx the file), exit %d\n", size, ms, usage.ru_maxrss / 1024.0,
                usage.ru_maxrss / 1024.0 / size, WEXITSTATUS(status));
    return WEXITSTATUS(status);
}
