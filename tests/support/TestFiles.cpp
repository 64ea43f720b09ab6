#include "TestFiles.h"

#include "imaging/ExivCompat.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <cstdint>

namespace lumicap::test {

// LUMICAP_TEST_DIR puts the folders on another file system (scripts/test
// runs the save tests on one that clones files).
TestFolder::TestFolder()
    : dir_(qEnvironmentVariableIsEmpty("LUMICAP_TEST_DIR") ? QDir::tempPath() + "/lumicap-XXXXXX"
                                                           : qEnvironmentVariable("LUMICAP_TEST_DIR") + "/lumicap-XXXXXX")
{}

QByteArray TestFolder::bytePath(const QString &name) const
{
    return QFile::encodeName(file(name));
}

QImage patternImage(int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    std::uint32_t state = 2654435761u * static_cast<std::uint32_t>(seed);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            const int noise = static_cast<int>(state >> 28);
            line[x] = qRgb((x * 255 / std::max(1, width - 1) + noise) & 0xFF, (y * 255 / std::max(1, height - 1)) & 0xFF,
                           ((x ^ y) * 8 + seed * 40) & 0xFF);
        }
    }
    return image;
}

bool writeJpeg(const QString &path, int width, int height, int seed)
{
    return patternImage(width, height, seed).save(path, "JPEG", 90);
}

bool writePng(const QString &path, int width, int height, int seed)
{
    return patternImage(width, height, seed).save(path, "PNG");
}

std::optional<QByteArray> runTool(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return process.readAllStandardOutput();
}

bool writeWebp(const QString &path, const QString &kind, int width, int height)
{
    QImage picture = patternImage(width, height);
    if (kind == "alpha") {
        picture = picture.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < height / 2; ++y) {
            for (int x = 0; x < width; ++x)
                picture.setPixel(x, y, (picture.pixel(x, y) & 0xFFFFFF) | (std::uint32_t(x * 4 % 256) << 24));
        }
    }
    const QString first = path + ".1.png", second = path + ".2.png";
    const bool made = picture.save(first, "PNG") && patternImage(width, height, 2).save(second, "PNG");
    const bool ok = made
        && (kind == "anim"
                ? runTool("img2webp", {"-loop", "0", "-lossy", first, second, "-o", path})
                : runTool("cwebp",
                          QStringList{"-quiet"} + (kind == "alpha" ? QStringList{"-lossless"} : QStringList{}) + QStringList{first, "-o", path}))
               .has_value();
    QFile::remove(first);
    QFile::remove(second);
    return ok;
}

bool writeTiff(const QString &path, int width, int height, int seed)
{
    return patternImage(width, height, seed).convertToFormat(QImage::Format_RGB888).save(path, "TIFF");
}

bool runQuietly(const QString &program, const QStringList &args)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, args);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool writeHeif(const QString &path, const QStringList &options)
{
    const QString source = path + ".source.jpg"; // AV1 wants a JPEG source, not a PNG
    const bool made = writeJpeg(source, 96, 64) && runQuietly("heif-enc", QStringList{"-q", "60"} + options + QStringList{"-o", path, source});
    QFile::remove(source);
    return made;
}

namespace {
void put16(QByteArray &b, std::uint16_t v)
{
    b.append(static_cast<char>(v & 0xFF)).append(static_cast<char>(v >> 8));
}
void put32(QByteArray &b, std::uint32_t v)
{
    put16(b, static_cast<std::uint16_t>(v & 0xFFFF));
    put16(b, static_cast<std::uint16_t>(v >> 16));
}
void entry(QByteArray &b, std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value)
{
    put16(b, tag);
    put16(b, type);
    put32(b, count);
    if (type == 3 && count == 1) {
        put16(b, static_cast<std::uint16_t>(value));
        put16(b, 0);
    } else {
        put32(b, value);
    }
}
} // namespace

bool writeMultiPageTiff(const QString &path, int pages, int width, int height)
{
    QByteArray file("II*\0", 4);
    put32(file, 8);
    const std::uint32_t stripSize = static_cast<std::uint32_t>(width * height * 3);
    const int entries = 10;
    const std::uint32_t ifdSize = 2 + 12 * entries + 4;
    for (int page = 0; page < pages; ++page) {
        const auto ifdAt = static_cast<std::uint32_t>(file.size());
        const std::uint32_t bitsAt = ifdAt + ifdSize;
        const std::uint32_t pixelsAt = bitsAt + 6;
        const std::uint32_t next = page + 1 < pages ? pixelsAt + stripSize : 0;
        put16(file, entries);
        entry(file, 0x00FE, 4, 1, page == 0 ? 0 : 2); // NewSubfileType: page
        entry(file, 0x0100, 3, 1, static_cast<std::uint32_t>(width));
        entry(file, 0x0101, 3, 1, static_cast<std::uint32_t>(height));
        entry(file, 0x0102, 3, 3, bitsAt);
        entry(file, 0x0103, 3, 1, 1);
        entry(file, 0x0106, 3, 1, 2);
        entry(file, 0x0111, 4, 1, pixelsAt);
        entry(file, 0x0115, 3, 1, 3);
        entry(file, 0x0116, 3, 1, static_cast<std::uint32_t>(height));
        entry(file, 0x0117, 4, 1, stripSize);
        put32(file, next);
        put16(file, 8);
        put16(file, 8);
        put16(file, 8);
        const QImage pixels = patternImage(width, height, page + 1).convertToFormat(QImage::Format_RGB888);
        for (int y = 0; y < height; ++y)
            file.append(reinterpret_cast<const char *>(pixels.constScanLine(y)), width * 3);
    }
    return writeAll(path, file);
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray jpegScanData(const QByteArray &jpeg)
{
    qsizetype pos = 2;
    while (pos + 4 <= jpeg.size()) {
        const auto marker = static_cast<unsigned char>(jpeg[pos + 1]);
        if (marker == 0xDA)
            return jpeg.mid(pos);
        const int length = (static_cast<unsigned char>(jpeg[pos + 2]) << 8) | static_cast<unsigned char>(jpeg[pos + 3]);
        pos += 2 + length;
    }
    return {};
}

QList<QImage> decodePages(const QString &path)
{
    // A fresh reader for each page: Qt's TIFF reader loses its place when it
    // steps from one page to the next after a read.
    QList<QImage> pages;
    if (path.endsWith(".heic") || path.endsWith(".avif")) { // Qt reads neither: libheif's own tool decodes
        const QString png = path + ".decoded.png";
        const bool decoded = runQuietly("heif-convert", {"-q", "100", path, png}) && !QImage(png).isNull();
        if (decoded)
            pages.append(QImage(png).convertToFormat(QImage::Format_RGB32));
        QFile::remove(png);
        return pages;
    }
    const int count = std::max(1, QImageReader(path).imageCount());
    for (int i = 0; i < count; ++i) {
        QImageReader reader(path);
        if (i > 0 && !reader.jumpToImage(i))
            break;
        const QImage page = reader.read();
        if (page.isNull())
            break;
        pages.append(page.convertToFormat(QImage::Format_RGB32));
    }
    return pages;
}

bool setTagsDirectly(const QString &path, const QByteArray &description, const QByteArray &artist, const QByteArray &copyright)
{
    try {
        auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
        image->readMetadata();
        Exiv2::ExifData exif = image->exifData();
        const std::pair<const char *, QByteArray> tags[]
            = {{"Exif.Image.ImageDescription", description}, {"Exif.Image.Artist", artist}, {"Exif.Image.Copyright", copyright}};
        for (const auto &[key, bytes] : tags) {
            auto value = Exiv2::Value::create(Exiv2::asciiString);
            const QByteArray withZero = bytes + QByteArray(1, '\0');
            value->read(reinterpret_cast<const Exiv2::byte *>(withZero.constData()), static_cast<lumicap::exiv::Size>(withZero.size()),
                        Exiv2::littleEndian);
            exif[key].setValue(value.get());
        }
        image->setExifData(exif);
        image->writeMetadata();
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

QList<QByteArray> tagsDirectly(const QString &path)
{
    QList<QByteArray> out;
    try {
        auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
        image->readMetadata();
        for (const char *key : {"Exif.Image.ImageDescription", "Exif.Image.Artist", "Exif.Image.Copyright"}) {
            const auto it = image->exifData().findKey(Exiv2::ExifKey(key));
            QByteArray bytes;
            if (it != image->exifData().end()) {
                bytes.resize(static_cast<qsizetype>(it->size()));
                it->copy(reinterpret_cast<Exiv2::byte *>(bytes.data()), Exiv2::littleEndian);
                if (bytes.indexOf('\0') >= 0)
                    bytes.truncate(bytes.indexOf('\0'));
            }
            out.append(bytes);
        }
    } catch (const std::exception &) {}
    return out;
}

bool haveExifTool()
{
    return !QStandardPaths::findExecutable("exiftool").isEmpty();
}

QString sharedCorpusFolder()
{
    for (const char *candidate : {LUMICAP_SOURCE_DIR "/../shared/corpus", LUMICAP_SOURCE_DIR "/../../shared/corpus"}) {
        if (QDir(candidate).exists())
            return QDir(candidate).absolutePath();
    }
    return {};
}

namespace {
// One ExifTool kept running for the test process and fed its commands through
// a pipe: the tests call it hundreds of times, and starting Perl and ExifTool
// each time cost most of their time.
class ExifToolServer
{
public:
    static ExifToolServer *instance()
    {
        static ExifToolServer *server = QCoreApplication::instance() ? new ExifToolServer : nullptr;
        // A forked child, another thread, or a test that went to another
        // folder (relative names) starts an ExifTool of its own.
        const bool mine = server && server->owner_ == QCoreApplication::applicationPid() && QThread::currentThread() == qApp->thread()
            && server->folder_ == QDir::currentPath();
        return mine && server->process_ ? server : nullptr;
    }

    // An argument travels as one line of the pipe: one that a line cannot
    // carry as it is goes to an ExifTool of its own, and so does "-use": a
    // module loaded stays loaded and changes what later commands read (with
    // MWG, an empty tag reads as absent).
    static bool carries(const QStringList &args)
    {
        return !args.contains("-use") && std::all_of(args.begin(), args.end(), [](const QString &a) {
            return !a.isEmpty() && !a.front().isSpace() && !a.startsWith('#') && !a.contains('\n') && !a.contains('\r');
        });
    }

    std::optional<QByteArray> run(const QStringList &args, int *exitCode)
    {
        const QByteArray ready = "{ready" + QByteArray::number(++serial_) + "}\n";
        QByteArray command = args.join('\n').toUtf8() + "\n-echo3\n" + statusMark + "${status}}\n-execute" + QByteArray::number(serial_) + "\n";
        process_->write(command);
        QByteArray out;
        while (!out.endsWith(ready)) {
            if (!process_->waitForReadyRead(60000)) {
                stop();
                return std::nullopt;
            }
            out += process_->readAllStandardOutput();
        }
        out.chop(ready.size());
        const qsizetype mark = out.lastIndexOf(statusMark);
        if (exitCode)
            *exitCode = out.mid(mark + statusMark.size()).chopped(2).toInt();
        out.truncate(mark);
        return out;
    }

private:
    static inline const QByteArray statusMark = "{lumicap-status ";

    ExifToolServer()
        : owner_(QCoreApplication::applicationPid())
    {
        process_ = new QProcess;
        process_->setStandardErrorFile(QProcess::nullDevice());
        process_->start("exiftool", {"-stay_open", "True", "-@", "-"});
        if (!process_->waitForStarted(10000)) {
            delete process_;
            process_ = nullptr;
            return;
        }
        // Closed with the application, while Qt can still wait for it.
        qAddPostRoutine([] {
            if (ExifToolServer *server = instance())
                server->stop();
        });
    }

    void stop()
    {
        process_->write("-stay_open\nFalse\n");
        if (!process_->waitForFinished(10000))
            process_->kill();
        process_->waitForFinished(1000);
        delete process_;
        process_ = nullptr;
    }

    qint64 owner_;
    QString folder_ = QDir::currentPath();
    QProcess *process_ = nullptr;
    quint64 serial_ = 0;
};
} // namespace

QByteArray exifTool(const QStringList &args, int *exitCode)
{
    if (ExifToolServer *server = ExifToolServer::carries(args) ? ExifToolServer::instance() : nullptr) {
        if (auto out = server->run(args, exitCode))
            return *out;
    }
    QProcess process;
    process.start("exiftool", args);
    process.waitForFinished(60000);
    if (exitCode)
        *exitCode = process.exitCode();
    return process.readAllStandardOutput();
}

std::optional<QByteArray> exifToolValue(const QString &path, const QString &tag)
{
    // -IFD0: only the first image directory, where the three tags belong.
    int code = 0;
    const QByteArray listed = exifTool({"-s", "-s", "-s", "-IFD0:" + tag + "#", "-f", path}, &code);
    if (listed.trimmed() == "-")
        return std::nullopt;
    return exifTool({"-b", "-IFD0:" + tag, path});
}

bool exifToolWrite(const QString &path, const QStringList &assignments)
{
    int code = -1;
    exifTool(QStringList{"-q", "-overwrite_original"} + assignments + QStringList{path}, &code);
    return code == 0;
}

} // namespace lumicap::test
