// A batch over 200 photo-sized JPEGs with EXIF: lumicap-tags batch against
// ExifTool writing the same three tags in one process, and against a plain
// durable copy of the files (copy, flush, rename: the floor, since every
// save rewrites the file). All on the same files, in one run.
//   batch_bench LUMICAP_TAGS [files=200] [rounds=6] [tiff]
#include "BenchImages.h"
#include "BenchTimer.h"
#include "MemoryProbe.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>
#include <fcntl.h>
#include <unistd.h>

using namespace lumicap::bench;

namespace {
bool run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(program, args);
    return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The floor: read the file into a buffer kept between files, write it to a
// new file beside it, flush, rename over the original.
bool durableCopy(const QString &from, const QString &to)
{
    static std::vector<char> buffer;
    const int in = ::open(QFile::encodeName(from).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    const off_t size = ::lseek(in, 0, SEEK_END);
    ::lseek(in, 0, SEEK_SET);
    buffer.resize(static_cast<size_t>(size));
    const bool read = ::read(in, buffer.data(), buffer.size()) == size;
    ::close(in);
    const QByteArray temporary = QFile::encodeName(QFileInfo(to).path() + "/_~copy");
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = read && ::write(fd, buffer.data(), buffer.size()) == size && ::fsync(fd) == 0;
    ::close(fd);
    return ok && ::rename(temporary.constData(), QFile::encodeName(to).constData()) == 0;
}
} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: batch_bench LUMICAP_TAGS [files] [rounds] [tiff]\n");
        return 2;
    }
    const QString tool = QString::fromLocal8Bit(argv[1]);
    const int files = argc > 2 ? std::atoi(argv[2]) : 200;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 6;
    const bool tiff = argc > 4 && QByteArray(argv[4]) == "tiff";
    const bool exiftool = !QStandardPaths::findExecutable("exiftool").isEmpty();

    QTemporaryDir dir(QDir::currentPath() + "/batch-bench-XXXXXX"); // on the disk, not in /tmp's tmpfs
    const QString ext = tiff ? "tif" : "jpg";
    const QString seed = dir.filePath("seed." + ext);
    const QImage picture = tiff ? photoLikeImage(2600, 2300).convertToFormat(QImage::Format_RGB888) : photoLikeImage(3000, 2000);
    if (!picture.save(seed, tiff ? "TIFF" : "JPEG", 92))
        return 1;
    run("exiftool", {"-q", "-overwrite_original", "-IFD0:Make=Bench", "-IFD0:Model=B1", "-ExifIFD:ExposureTime=1/250",
                     "-ExifIFD:FNumber=5.6", "-ExifIFD:ISO=200", "-IFD0:Software=bench", seed});
    for (int i = 0; i < files; ++i)
        QFile::copy(seed, dir.filePath(QString("IMG_%1.%2").arg(i, 4, 10, QChar('0')).arg(ext)));
    const qint64 size = QFileInfo(seed).size();
    QFile::remove(seed);

    int round = 0;
    const auto writeList = [&] {
        QFile list(dir.filePath("DESCRIPT.ION"));
        list.open(QIODevice::WriteOnly | QIODevice::Truncate);
        QFile args(dir.filePath("exiftool.args"));
        args.open(QIODevice::WriteOnly | QIODevice::Truncate);
        for (int i = 0; i < files; ++i) {
            const QString name = QString("IMG_%1.%2").arg(i, 4, 10, QChar('0')).arg(ext);
            const QString text = QString("Round %1 picture %2 at the harbour").arg(round).arg(i);
            list.write((name + " " + text + "\n").toUtf8());
            args.write(("-overwrite_original\n-IFD0:ImageDescription=" + text + "\n-IFD0:Artist=Ann Example\n-IFD0:Copyright=(c) 2026 Ann\n"
                        + dir.filePath(name) + "\n-execute\n")
                           .toUtf8());
        }
        ++round;
    };

    // Each round times the three on the same files, with everything written
    // before flushed first, and in a rotating order: the state the file
    // system was left in by whoever went before matters more than one would
    // think.
    std::vector<double> copyTimes, oursTimes, theirsTimes;
    const std::function<void()> phases[3] = {
        [&] {
            copyTimes.push_back(medianMs(1, [&] {
                for (int i = 0; i < files; ++i) {
                    const QString name = dir.filePath(QString("IMG_%1.%2").arg(i, 4, 10, QChar('0')).arg(ext));
                    durableCopy(name, name);
                }
            }));
        },
        [&] {
            oursTimes.push_back(medianMs(1, [&] {
                run(tool, {"batch", dir.filePath("DESCRIPT.ION"), "--artist", "Ann Example", "--copyright", "(c) 2026 Ann"});
            }));
        },
        [&] {
            if (exiftool)
                theirsTimes.push_back(medianMs(1, [&] { run("exiftool", {"-q", "-@", dir.filePath("exiftool.args")}); }));
        },
    };
    for (int r = 0; r < rounds; ++r) {
        writeList();
        for (int p = 0; p < 3; ++p) {
            ::sync();
            phases[(p + r) % 3]();
        }
    }
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[v.size() / 2];
    };
    const double copy = median(copyTimes);
    const double ours = median(oursTimes);
    const double theirs = median(theirsTimes);

    std::printf("%d %s files of %.2f MB with EXIF, median of %d rounds\n", files, tiff ? "TIFF" : "JPEG", size / 1e6, rounds);
    report("durable copy (copy, fsync, rename)", copy, copy);
    report("lumicap-tags batch", ours, copy);
    if (exiftool)
        report("exiftool, one process", theirs, copy);
    std::printf("ratio %.2f to the durable copy", ours / copy);
    if (exiftool)
        std::printf(", %.1fx ExifTool's throughput", theirs / ours);
    std::printf("\n");
    return 0;
}
