#pragma once

#include <QImage>

namespace lumicap::bench {

// A photo-like picture: smooth gradients with fine noise, so that its JPEG
// has a realistic size.
inline QImage photoLikeImage(int w, int h, unsigned seed = 777)
{
    QImage image(w, h, QImage::Format_RGB32);
    quint32 state = seed;
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            state = state * 1664525u + 1013904223u;
            const int n = static_cast<int>(state >> 28);
            line[x] = qRgb((x * 255 / w + n) & 0xFF, (y * 255 / h + n) & 0xFF, ((x ^ y) / 8 + n) & 0xFF);
        }
    }
    return image;
}

} // namespace lumicap::bench
