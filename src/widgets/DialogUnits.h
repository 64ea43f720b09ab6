#pragma once

#include <QFont>
#include <QRect>

namespace lumicap {

// Converts template coordinates in dialog units to pixels, from the dialog
// font: a horizontal unit is a quarter of the font's average character
// width, a vertical unit an eighth of its height.
class DialogUnits
{
public:
    explicit DialogUnits(const QFont &font);
    DialogUnits(int baseX, int baseY)
        : baseX_(baseX)
        , baseY_(baseY)
    {}

    int x(int units) const { return (units * baseX_ + 2) / 4; }
    int y(int units) const { return (units * baseY_ + 4) / 8; }
    QRect rect(int x0, int y0, int w, int h) const { return QRect(x(x0), y(y0), x(w), y(h)); }
    QSize size(int w, int h) const { return QSize(x(w), y(h)); }

    // The font our dialogs are laid out in.
    static QFont dialogFont();

private:
    int baseX_;
    int baseY_;
};

} // namespace lumicap
