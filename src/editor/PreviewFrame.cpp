#include "PreviewFrame.h"

#include "ImageHolder.h"
#include "PreviewGeometry.h"

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

namespace {
constexpr std::uint16_t orientationTag = 0x0112;

int orientationOf(const ImageHolder &image)
{
    for (const TagItem &tag : image.tags()) {
        if (tag.id == orientationTag && tag.group == primaryGroup)
            return orientationFromTag(tag.value);
    }
    return 1;
}
} // namespace

QRect PreviewFrame::imageRect() const
{
    ImageHolder *image = source_ ? source_() : nullptr;
    return image && image->isOpen() ? previewPlacement(rect(), orientedSize(image->size(), orientationOf(*image))) : QRect();
}

void PreviewFrame::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), background);
    ImageHolder *image = source_ ? source_() : nullptr;
    const QRect target = imageRect();
    if (!image || target.isEmpty())
        return;
    // A very wide picture is drawn far wider than the frame and cut; it is
    // decoded no wider than a few frames and stretched, not at a size that
    // would not fit in memory. It is decoded as stored, then turned; the
    // turned copy is kept while the decoded pixels stay the same.
    QSize shown = target.size();
    const int widest = std::max(1, 4 * width());
    if (shown.width() > widest)
        shown = QSize(widest, std::max(1, static_cast<int>(static_cast<qint64>(shown.height()) * widest / shown.width())));
    const int orientation = orientationOf(*image);
    const QImage stored = image->preview(orientedSize(shown, orientation));
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
