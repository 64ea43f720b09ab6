#include "widgets/AppIcon.h"

#include <QPainter>
#include <QPainterPath>

namespace lumicap {

QImage appIconImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    // The photo: a sky and a hill in a white frame.
    p.setPen(QPen(QColor(60, 60, 70), 1.2));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(2.5, 4.5, 24, 19), 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 160, 230));
    p.drawRect(QRectF(5, 7, 19, 14));
    p.setBrush(QColor(70, 150, 80));
    QPainterPath hill;
    hill.moveTo(5, 21);
    hill.quadTo(12, 12, 24, 19);
    hill.lineTo(24, 21);
    hill.closeSubpath();
    p.drawPath(hill);
    p.setBrush(QColor(250, 210, 60));
    p.drawEllipse(QPointF(19.5, 11), 2.2, 2.2);
    // The tag hanging on it.
    QPainterPath tag;
    tag.moveTo(17, 18);
    tag.lineTo(29.5, 18);
    tag.lineTo(29.5, 29.5);
    tag.lineTo(17, 29.5);
    tag.lineTo(13.5, 23.75);
    tag.closeSubpath();
    p.setPen(QPen(QColor(120, 70, 10), 1.2));
    p.setBrush(QColor(245, 170, 50));
    p.drawPath(tag);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(17.5, 23.75), 1.3, 1.3);
    p.setPen(QPen(QColor(120, 70, 10), 1.1));
    p.drawLine(QPointF(21, 21.5), QPointF(27.5, 21.5));
    p.drawLine(QPointF(21, 24), QPointF(27.5, 24));
    p.drawLine(QPointF(21, 26.5), QPointF(25.5, 26.5));
    return image;
}

QIcon appIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(appIconImage(size)));
    return icon;
}

} // namespace lumicap
