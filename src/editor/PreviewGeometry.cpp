#include "editor/PreviewGeometry.h"

#include <QTransform>

#include <algorithm>

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

int orientationFromTag(const QByteArray &value)
{
    // A SHORT in the file's byte order, which the tag list does not carry:
    // for the values 1-8 one of the two bytes is zero whichever the order.
    if (value.size() < 2)
        return 1;
    const auto first = static_cast<unsigned char>(value[0]);
    const auto second = static_cast<unsigned char>(value[1]);
    const int n = first == 0 ? second : (second == 0 ? first : 0);
    return n >= 1 && n <= 8 ? n : 1;
}

QSize orientedSize(QSize stored, int orientation)
{
    return orientation >= 5 && orientation <= 8 ? stored.transposed() : stored;
}

QImage orientedImage(const QImage &stored, int orientation)
{
    // 2 and 4 mirror, 3 turns half; 5-8 turn a quarter clockwise (6), then
    // mirror (5 across, 7 upside down), or turn three quarters (8).
    switch (orientation) {
    case 2: return stored.mirrored(true, false);
    case 3: return stored.mirrored(true, true);
    case 4: return stored.mirrored(false, true);
    case 5: return stored.transformed(QTransform().rotate(90)).mirrored(true, false);
    case 6: return stored.transformed(QTransform().rotate(90));
    case 7: return stored.transformed(QTransform().rotate(90)).mirrored(false, true);
    case 8: return stored.transformed(QTransform().rotate(270));
    default: return stored;
    }
}

QSize previewDecodeSize(const QRect &frame, QSize stored, int orientation)
{
    const QRect target = previewPlacement(frame, orientedSize(stored, orientation));
    if (target.isEmpty())
        return {};
    QSize shown = target.size();
    const int widest = std::max(1, 4 * frame.width());
    if (shown.width() > widest)
        shown = QSize(widest, std::max(1, static_cast<int>(static_cast<qint64>(shown.height()) * widest / shown.width())));
    return orientedSize(shown, orientation);
}

} // namespace lumicap
