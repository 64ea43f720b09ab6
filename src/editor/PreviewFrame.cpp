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
    // A very wide picture is drawn far wider than the frame and cut; it is
    // decoded no wider than a few frames and stretched, not at a size that
    // would not fit in memory.
    QSize decode = target.size();
    const int widest = std::max(1, 4 * width());
    if (decode.width() > widest)
        decode = QSize(widest, std::max(1, static_cast<int>(static_cast<qint64>(decode.height()) * widest / decode.width())));
    const QImage pixels = image->preview(decode);
    if (pixels.isNull())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, pixels.size() != target.size());
    painter.drawImage(target, pixels);
}

} // namespace lumicap
