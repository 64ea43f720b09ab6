#include "editor/PreviewFrame.h"

#include "imaging/ImageHolder.h"
#include "editor/PreviewCache.h"
#include "editor/PreviewGeometry.h"

#include <QPainter>

#include <algorithm>

namespace lumicap {

const QColor PreviewFrame::background(128, 128, 128);

PreviewFrame::PreviewFrame(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus); // a tab stop that shows no focus
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PreviewFrame::setCache(PreviewCache *cache)
{
    cache_ = cache;
    cache->setFrame(rect());
    // A decode that arrives is drawn at once.
    connect(cache, &PreviewCache::decoded, this, [this] { update(); });
}

QRect PreviewFrame::imageRect() const
{
    ImageHolder *image = source_ ? source_() : nullptr;
    return image && image->isOpen() ? previewPlacement(rect(), orientedSize(image->size(), PreviewCache::orientationOf(*image))) : QRect();
}

void PreviewFrame::resizeEvent(QResizeEvent *)
{
    if (cache_)
        cache_->setFrame(rect());
}

void PreviewFrame::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), background);
    ImageHolder *image = source_ ? source_() : nullptr;
    const QRect target = imageRect();
    if (!image || target.isEmpty())
        return;
    // The pixels come decoded at the size drawn (see previewDecodeSize), as
    // stored, then turned; the turned copy is kept while they stay the same.
    // With a cache nothing blocks: until the decode arrives the camera's
    // thumbnail stands in for it, or the grey shows.
    const int orientation = PreviewCache::orientationOf(*image);
    QImage stored = cache_ ? cache_->shown(*image, rect()) : image->preview(previewDecodeSize(rect(), image->size(), orientation));
    if (stored.isNull())
        stored = image->thumbnail();
    if (stored.isNull())
        return;
    if (stored.cacheKey() != orientedFrom_ || orientation != orientation_) {
        oriented_ = orientedImage(stored, orientation);
        orientedFrom_ = stored.cacheKey();
        orientation_ = orientation;
    }
    const QImage &pixels = oriented_;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, pixels.size() != target.size());
    painter.drawImage(target, pixels);
}

} // namespace lumicap
