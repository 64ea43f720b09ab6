#include "PreviewGeometry.h"

namespace lumicap {

QRect previewPlacement(const QRect &frame, QSize image)
{
    if (image.width() <= 0 || image.height() <= 0)
        return {};
    const int w = frame.width();
    const int h = frame.height();
    // Each step rounds to a double before the next, as the arithmetic was
    // specified; volatile keeps the compiler from fusing them.
    volatile double scale = static_cast<double>(h) / static_cast<double>(image.height());
    volatile double product = static_cast<double>(image.width()) * scale;
    volatile double sum = product + 0.5;
    const int drawn = static_cast<int>(sum);
    const int x = frame.left() + (w - drawn) / 2;
    return QRect(x, frame.top(), drawn, h);
}

} // namespace lumicap
