#include "PreviewFrame.h"

#include "ImageHolder.h"
#include "PreviewGeometry.h"

#include <QPainter>

namespace lumicap {

const QColor PreviewFrame::background(128, 128, 128);

PreviewFrame::PreviewFrame(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus); // a tab stop that shows no focus
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QRect PreviewFrame::imageRect() const
{
    ImageHolder *image = source_ ? source_() : nullptr;
    return image && image->isOpen() ? previewPlacement(rect(), image->size()) : QRect();
}

void PreviewFrame::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), background);
    ImageHolder *image = source_ ? source_() : nullptr;
    const QRect target = imageRect();
    if (!image || target.isEmpty())
        return;
    const QImage pixels = image->preview(target.size());
    if (pixels.isNull())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, pixels.size() != target.size());
    painter.drawImage(target, pixels);
}

} // namespace lumicap
