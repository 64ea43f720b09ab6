#include "widgets/AnchorGeometry.h"

namespace lumicap {

AnchorPlacement AnchorPlacement::capture(const QRect &geometry, QSize client, Anchor topLeft, Anchor bottomRight)
{
    if (bottomRight.isNone())
        bottomRight = topLeft;
    const int w = client.width();
    const int h = client.height();
    const int left = geometry.x();
    const int top = geometry.y();
    const int right = geometry.x() + geometry.width();
    const int bottom = geometry.y() + geometry.height();
    AnchorPlacement p;
    p.topLeft = topLeft;
    p.bottomRight = bottomRight;
    p.topLeftMargin = QPoint(left - topLeft.x * w / 100, top - topLeft.y * h / 100);
    p.bottomRightMargin = QPoint(right - bottomRight.x * w / 100, bottom - bottomRight.y * h / 100);
    return p;
}

QRect AnchorPlacement::place(QSize client) const
{
    const int w = client.width();
    const int h = client.height();
    const int left = w * topLeft.x / 100 + topLeftMargin.x();
    const int top = h * topLeft.y / 100 + topLeftMargin.y();
    const int right = w * bottomRight.x / 100 + bottomRightMargin.x();
    const int bottom = h * bottomRight.y / 100 + bottomRightMargin.y();
    return QRect(left, top, right - left, bottom - top);
}

} // namespace lumicap
