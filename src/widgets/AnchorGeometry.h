#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace lumicap {

// A point of a control that follows x % of the window's growth in width and
// y % of its growth in height.
struct Anchor
{
    int x = 0;
    int y = 0;
    bool isNone() const { return x < 0 || y < 0; }
    bool operator==(const Anchor &o) const { return x == o.x && y == o.y; }
};

namespace anchors {
constexpr Anchor TopLeft{0, 0};
constexpr Anchor TopCenter{50, 0};
constexpr Anchor TopRight{100, 0};
constexpr Anchor MiddleLeft{0, 50};
constexpr Anchor MiddleCenter{50, 50};
constexpr Anchor MiddleRight{100, 50};
constexpr Anchor BottomLeft{0, 100};
constexpr Anchor BottomCenter{50, 100};
constexpr Anchor BottomRight{100, 100};
constexpr Anchor None{-1, -1};
} // namespace anchors

// Where one anchored control goes, as a pure function of the client size.
// Rectangles here have exclusive right and bottom edges, and all divisions
// truncate, so the arithmetic is the same on every platform.
struct AnchorPlacement
{
    Anchor topLeft;
    Anchor bottomRight;
    QPoint topLeftMargin;
    QPoint bottomRightMargin;

    // Margins that reproduce the control's present rectangle in a client
    // area of the given size.
    static AnchorPlacement capture(const QRect &geometry, QSize client, Anchor topLeft, Anchor bottomRight);
    QRect place(QSize client) const;
};

} // namespace lumicap
