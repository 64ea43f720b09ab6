// Opening a 12-megapixel HEIC in the editor (open, read the tags, first paint
// of the preview) against a full libheif decode of the same file, once
// without a thumbnail item and once with one larger than the preview frame.
//   heif_preview_bench [rounds=7]   (needs heif-enc on the path)
#include "BenchImages.h"
#include "BenchTimer.h"
#include "EditorBench.h"
#include "imaging/ImageHolder.h"
#include "metadata/MetadataReader.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

#include <libheif/heif.h>

using namespace lumicap;
using namespace lumicap::bench;

namespace {
// What heif-convert does before writing: the primary image decoded to RGB.
void fullDecode(const QByteArray &file)
{
    heif_context *context = heif_context_alloc();
    heif_image_handle *handle = nullptr;
    heif_image *image = nullptr;
    if (heif_context_read_from_memory_without_copy(context, file.constData(), static_cast<size_t>(file.size()), nullptr).code == heif_error_Ok
        && heif_context_get_primary_image_handle(context, &handle).code == heif_error_Ok
        && heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, nullptr).code == heif_error_Ok)
        heif_image_release(image);
    if (handle)
        heif_image_handle_release(handle);
    heif_context_free(context);
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 7;
    QTemporaryDir dir;
    const QString source = dir.filePath("photo.jpg");
    if (!photoLikeImage(4000, 3000, 12345).save(source, "JPEG", 92))
        return 1;
    const QString plain = dir.filePath("plain.heic"), thumbed = dir.filePath("thumbed.heic");
    if (QProcess::execute("heif-enc", {"-q", "60", "-o", plain, source}) != 0
        || QProcess::execute("heif-enc", {"-q", "60", "-t", "640", "-o", thumbed, source}) != 0)
        return 1;

    PreviewCanvas canvas;
    for (const QString &path : {plain, thumbed}) {
        const QByteArray bytes = QFile::encodeName(path);
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        const QByteArray all = file.readAll();
        const double full = medianMs(rounds, [&] { fullDecode(all); });
        const double ours = medianMs(rounds, [&] {
            ImageStatus status;
            auto image = openImageFile(bytes, status, true);
            (void)readMetadata(*image);
            canvas.paint(image.get());
        });
        // The editor decodes on a worker and paints the thumbnail item first.
        QImage stand;
        const double first = medianMs(rounds, [&] {
            ImageStatus status;
            auto image = openImageFile(bytes, status, true);
            (void)readMetadata(*image);
            stand = image->thumbnail();
        });
        std::printf("12 MP HEIC %s (%lld bytes), median of %d rounds\n", path == plain ? "without a thumbnail item" : "with a 640 px thumbnail item",
                    static_cast<long long>(all.size()), rounds);
        report("full-size libheif decode (to RGBA)", full, full);
        report("open + read tags + preview decoded and painted", ours, full);
        if (!stand.isNull())
            report("open + read tags + thumbnail item to paint", first, full);
    }
    return 0;
}
