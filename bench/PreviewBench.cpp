// Opening a 24-megapixel JPEG in the editor (open, read the tags, first paint
// of the preview) against a plain full-size decode of the same file.
//   preview_bench [rounds=7]
#include "BenchImages.h"
#include "BenchTimer.h"
#include "EditorBench.h"
#include "imaging/ImageHolder.h"
#include "MemoryProbe.h"
#include "metadata/MetadataReader.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <malloc.h>

using namespace lumicap;
using namespace lumicap::bench;

namespace {
bool writePhoto(const QString &path, int w, int h)
{
    return photoLikeImage(w, h, 12345).save(path, "JPEG", 92);
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 7;
    QTemporaryDir dir;
    const QString path = dir.filePath("photo.jpg");
    if (!writePhoto(path, 6000, 4000))
        return 1;
    const QByteArray bytes = QFile::encodeName(path);

    // The preview frame at the editor's first size.
    PreviewCanvas canvas;
    canvas.paint(nullptr); // warm up the painting code without an image
    {
        // The editor after its first image: plugins and libraries loaded.
        ImageStatus status;
        auto warm = openImageFile(bytes, status);
        canvas.paint(warm.get());
    }
    malloc_trim(0);
    const double before = residentMb();
    std::unique_ptr<ImageHolder> kept;
    const double ours = medianMs(rounds, [&] {
        ImageStatus status;
        auto image = openImageFile(bytes, status);
        (void)readMetadata(*image);
        canvas.paint(image.get());
        kept = std::move(image); // the editor keeps the image open
    });
    malloc_trim(0);
    const double withImage = residentMb();

    QImage full;
    const double fullDecode = medianMs(rounds, [&] { full = QImageReader(path).read(); });
    const double withFull = residentMb();

    std::printf("24 MP JPEG (%lld bytes), median of %d rounds\n", static_cast<long long>(QFile(path).size()), rounds);
    report("full-size decode (QImageReader)", fullDecode, fullDecode);
    report("open + read tags + first preview paint", ours, fullDecode);
    std::printf("memory with the image open: +%.1f MB (goal: at most 10); full decode: +%.1f MB\n", withImage - before, withFull - withImage);
    std::printf("ratio %.2f (goal: at most 0.6)\n", ours / fullDecode);
    return 0;
}
