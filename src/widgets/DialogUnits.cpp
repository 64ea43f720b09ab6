#include "widgets/DialogUnits.h"

#include <QApplication>
#include <QFontMetrics>

namespace lumicap {

DialogUnits::DialogUnits(const QFont &font)
{
    const QFontMetrics metrics(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    baseX_ = (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
    baseY_ = metrics.height();
}

QFont DialogUnits::dialogFont()
{
    return QApplication::font("QDialog");
}

} // namespace lumicap
