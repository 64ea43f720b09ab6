#include "widgets/ToolTipText.h"

#include <QFontMetrics>
#include <QToolTip>

#include <algorithm>

namespace lumicap {

QString wrappedToolTip(const QString &text, int maxWidth)
{
    if (QFontMetrics(QToolTip::font()).horizontalAdvance(text) <= maxWidth)
        return text;
    return QString("<table width=\"%1\"><tr><td>%2</td></tr></table>").arg(maxWidth).arg(text.toHtmlEscaped());
}

QString plainTextToolTip(const QString &text, int maxWidth)
{
    const QFontMetrics metrics(QToolTip::font());
    int widest = 0;
    for (const QString &line : text.split('\n'))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    const QString escaped = text.toHtmlEscaped();
    if (widest <= maxWidth)
        return "<p style=\"white-space:pre\">" + escaped + "</p>";
    return QString("<table width=\"%1\"><tr><td>%2</td></tr></table>").arg(maxWidth).arg(QString(escaped).replace('\n', "<br>"));
}

} // namespace lumicap
