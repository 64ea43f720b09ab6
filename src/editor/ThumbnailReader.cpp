#include "editor/ThumbnailReader.h"

#include "metadata/FieldReading.h"
#include "metadata/MetadataReader.h"
#include "editor/PreviewCache.h"
#include "editor/PreviewGeometry.h"
#include "metadata/TextEncoding.h"
#include "editor/ThumbnailDiskCache.h"

namespace lumicap {

namespace {
// The picture at about the shared thumbnails' size, upright.
QImage makeThumbnail(ImageHolder &image)
{
    const int orientation = PreviewCache::orientationOf(image);
    QImage made = image.thumbnail();
    if (made.isNull()) {
        const int side = ThumbnailDiskCache::normalSize;
        const QSize fitted = image.size().scaled(side, side, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
        made = image.preview(fitted);
    }
    if (made.isNull())
        return {};
    return orientedImage(made, orientation);
}
} // namespace

ThumbnailReading readThumbnail(const QByteArray &path, QSize box)
{
    ThumbnailReading reading;
    ImageStatus status;
    const auto image = openImageFile(path, status, !box.isEmpty());
    if (status != ImageStatus::Ok)
        return reading;
    reading.readable = true;
    reading.description = displayText(readField(readMetadata(*image).description, image->copies().description).bytes);
    if (box.isEmpty())
        return reading;
    QImage picture = ThumbnailDiskCache::load(path);
    if (picture.isNull()) {
        picture = makeThumbnail(*image);
        ThumbnailDiskCache::store(path, picture);
    }
    if (!picture.isNull())
        reading.image = picture.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation).convertToFormat(QImage::Format_RGB32);
    return reading;
}

} // namespace lumicap
