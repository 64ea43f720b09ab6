// A batch over 200 photo-sized JPEGs with EXIF: lumicap-tags batch against
// ExifTool writing the same three tags in one process, and against a plain
// durable copy of the files (copy, flush, rename, flush the folder: the
// floor, since every save rewrites the file). All on the same files, in one
// run.
//   batch_bench LUMICAP_TAGS [files=200] [rounds=6] [tiff|heic] [--flush-delay=MS] [--against-copy]
// heic: 12-megapixel HEIC files made by heif-enc (with a thumbnail item).
// Every contender runs as a process of its own, measured the same way. With
// --flush-delay, the copy and lumicap-tags run with libslow_flush.so
// preloaded, each flush taking MS more, and only the two are timed; with
// --against-copy only the two are timed too, the first pass (the files get
// their three tags, the Exif grows) apart from the later ones (the same
// lengths), and the JPEGs larger (3800 x 2540).
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
#include <chrono>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace lumicap::bench;

namespace {
struct Measured
{
    double ms = 0;
    long maxRssKb = 0;
};

// What the contenders run with: a slow disk's flushes, when given.
QByteArray preload;
QByteArray flushDelayMs;

// Runs a program, its output discarded, and measures its time and its peak
// memory.
Measured measure(const QString &program, const QStringList &args)
{
    std::vector<QByteArray> owned{QFile::encodeName(program)};
    for (const QString &a : args)
        owned.push_back(a.toUtf8());
    std::vector<char *> argv;
    for (QByteArray &a : owned)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        if (!preload.isEmpty()) {
            ::setenv("LD_PRELOAD", preload.constData(), 1);
            ::setenv("LUMICAP_FLUSH_DELAY_MS", flushDelayMs.constData(), 1);
        }
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage
    {};
    ::wait4(pid, &status, 0, &usage);
    Measured m;
    m.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    m.maxRssKb = usage.ru_maxrss;
    return m;
}

bool run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(program, args);
    return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace

int main(int argc, char **argv)
{
    QList<QByteArray> positional;
    bool againstCopy = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg.startsWith("--flush-delay="))
            flushDelayMs = arg.mid(14);
        else if (arg == "--against-copy")
            againstCopy = true;
        else
            positional << arg;
    }
    if (positional.isEmpty()) {
        std::fprintf(stderr, "usage: batch_bench LUMICAP_TAGS [files] [rounds] [tiff] [--flush-delay=MS]\n");
        return 2;
    }
    const QDir binaries = QFileInfo(QString::fromLocal8Bit(argv[0])).dir();
    const QString tool = QString::fromLocal8Bit(positional[0]);
    const QString copier = binaries.filePath("durable_copy");
    const int files = positional.size() > 1 ? positional[1].toInt() : 200;
    const int rounds = positional.size() > 2 ? positional[2].toInt() : 6;
    const bool tiff = positional.size() > 3 && positional[3] == "tiff";
    const bool heic = positional.size() > 3 && positional[3] == "heic";
    const bool slowDisk = !flushDelayMs.isEmpty();
    if (slowDisk)
        preload = QFile::encodeName(binaries.absoluteFilePath("libslow_flush.so"));
    // Under a slow disk only the two that flush are compared.
    const bool twoOnly = slowDisk || againstCopy;
    const bool exiftool = !twoOnly && !QStandardPaths::findExecutable("exiftool").isEmpty();

    QTemporaryDir dir(QDir::currentPath() + "/batch-bench-XXXXXX"); // on the disk: /tmp may be a tmpfs
    const QString ext = tiff ? "tif" : heic ? "heic" : "jpg";
    const QString format = tiff ? "TIFF" : heic ? "HEIC" : "JPEG";
    const QString seed = dir.filePath("seed." + ext);
    const QImage picture = tiff ? photoLikeImage(2600, 2300).convertToFormat(QImage::Format_RGB888)
        : heic                  ? photoLikeImage(4000, 3000)
        : againstCopy           ? photoLikeImage(3800, 2540) // about 3.4 MB
                                : photoLikeImage(3000, 2000);
    if (heic) {
        const QString source = dir.filePath("seed.jpg");
        if (!picture.save(source, "JPEG", 92) || !run("heif-enc", {"-q", "60", "-t", "320", "-o", seed, source}))
            return 1;
        QFile::remove(source);
    } else if (!picture.save(seed, tiff ? "TIFF" : "JPEG", 92)) {
        return 1;
    }
    run("exiftool",
        {"-q", "-overwrite_original", "-IFD0:Make=Bench", "-IFD0:Model=B1", "-ExifIFD:ExposureTime=1/250", "-ExifIFD:FNumber=5.6", "-ExifIFD:ISO=200",
         "-IFD0:Software=bench", seed});
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
    const bool exiv2 = !twoOnly && !heic && !QStandardPaths::findExecutable("exiv2").isEmpty();
    QStringList all;
    for (int i = 0; i < files; ++i)
        all << dir.filePath(QString("IMG_%1.%2").arg(i, 4, 10, QChar('0')).arg(ext));
    std::vector<double> copyTimes, oursTimes, theirsTimes, exiv2Times;
    long oursPeakKb = 0;
    const std::function<void()> phases[4] = {
        [&] { copyTimes.push_back(measure(copier, all).ms); },
        [&] {
            const Measured m = measure(tool, {"batch", dir.filePath("DESCRIPT.ION"), "--artist", "Ann Example", "--copyright", "(c) 2026 Ann"});
            oursTimes.push_back(m.ms);
            oursPeakKb = std::max(oursPeakKb, m.maxRssKb);
        },
        [&] {
            if (exiftool)
                theirsTimes.push_back(measure("exiftool", {"-q", "-@", dir.filePath("exiftool.args")}).ms);
        },
        [&] {
            // The exiv2 tool writes one text to all files (it has no list).
            if (exiv2)
                exiv2Times.push_back(
                    measure("exiv2",
                            QStringList{"-M", QString("set Exif.Image.ImageDescription Ascii Round %1").arg(round), "-M",
                                        "set Exif.Image.Artist Ascii Ann Example", "-M", "set Exif.Image.Copyright Ascii (c) 2026 Ann", "mo"}
                                + all)
                        .ms);
        },
    };
    for (int r = 0; r < rounds; ++r) {
        writeList();
        for (int p = 0; p < 4; ++p) {
            ::sync();
            phases[(p + r) % 4]();
        }
    }
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[v.size() / 2];
    };
    const double copy = median(copyTimes);
    const double ours = median(oursTimes);
    const double theirs = median(theirsTimes);
    const double exiv2Write = median(exiv2Times);
    if (slowDisk) {
        std::printf("%d %s files of %.2f MB, each flush %s ms slower, median of %d rounds\n", files, qPrintable(format), size / 1e6,
                    flushDelayMs.constData(), rounds);
        report("durable copy (fsync file, rename, fsync folder)", copy, copy);
        report("lumicap-tags batch", ours, copy);
        std::printf("ratio %.2f to the durable copy\n", ours / copy);
        return 0;
    }
    if (againstCopy) {
        const double later = median(std::vector<double>(oursTimes.begin() + 1, oursTimes.end()));
        std::printf("%d %s files of %.2f MB with EXIF, median of %d rounds\n", files, qPrintable(format), size / 1e6, rounds);
        report("durable copy (fsync file, rename, fsync folder)", copy, copy);
        report("lumicap-tags batch, first pass", oursTimes.front(), copy);
        report("lumicap-tags batch, later passes", later, copy);
        std::printf("ratios %.3f (first pass) and %.3f (later) to the durable copy; peak memory %ld KB\n", oursTimes.front() / copy, later / copy,
                    oursPeakKb);
        return 0;
    }

    // Reading the three tags of every file.
    std::vector<double> showOurs, showTheirs, showExiv2;
    for (int r = 0; r < rounds; ++r) {
        showOurs.push_back(measure(tool, QStringList{"show"} + all).ms);
        if (exiftool)
            showTheirs.push_back(measure("exiftool", QStringList{"-s3", "-IFD0:ImageDescription", "-IFD0:Artist", "-IFD0:Copyright"} + all).ms);
        if (exiv2)
            showExiv2.push_back(
                measure("exiv2",
                        QStringList{"-Pv", "-g", "Exif.Image.ImageDescription", "-g", "Exif.Image.Artist", "-g", "Exif.Image.Copyright"} + all)
                    .ms);
    }

    // Peak memory of a batch of a tenth of the files and of all of them.
    QFile small(dir.filePath("SMALL.ION"));
    small.open(QIODevice::WriteOnly);
    for (int i = 0; i < std::max(1, files / 10); ++i)
        small.write(QString("IMG_%1.%2 Memory\n").arg(i, 4, 10, QChar('0')).arg(ext).toUtf8());
    small.close();
    const long rssSmall = measure(tool, {"batch", dir.filePath("SMALL.ION")}).maxRssKb;
    writeList();
    const long rssAll = measure(tool, {"batch", dir.filePath("DESCRIPT.ION")}).maxRssKb;

    std::printf("%d %s files of %.2f MB with EXIF, median of %d rounds\n", files, qPrintable(format), size / 1e6, rounds);
    report("durable copy (fsync file, rename, fsync folder)", copy, copy);
    report("lumicap-tags batch", ours, copy);
    if (exiftool)
        report("exiftool, one process", theirs, copy);
    if (exiv2)
        report("exiv2 tool, one process (one text)", exiv2Write, copy);
    std::printf("ratio %.2f to the durable copy", ours / copy);
    if (exiftool)
        std::printf(", %.1fx ExifTool's throughput", theirs / ours);
    std::printf("\n\nreading the three tags of %d files\n", files);
    const double readOurs = median(showOurs);
    report("lumicap-tags show", readOurs, readOurs);
    if (exiftool)
        report("exiftool", median(showTheirs), readOurs);
    if (exiv2)
        report("exiv2 tool", median(showExiv2), readOurs);
    if (exiftool)
        std::printf("%.1fx ExifTool's throughput (%.3f ms a file against %.3f)\n", median(showTheirs) / readOurs, readOurs / files,
                    median(showTheirs) / files);
    std::printf("\npeak memory of a batch: %ld KB over %d files, %ld KB over %d\n", rssSmall, std::max(1, files / 10), rssAll, files);
    return 0;
}
