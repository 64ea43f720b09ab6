#include "ToolTipText.h"

#include <QFontMetrics>
#include <QToolTip>

namespace lumicap {

QString wrappedToolTip(const QString &text, int maxWidth)
{
    if (QFontMetrics(QToolTip::font()).horizontalAdvance(text) <= maxWidth)
        return text;
    return QString("<table width=\"%1\"><tr><td>%2</td></tr></table>").arg(maxWidth).arg(text.toHtmlEscaped());
}

} // namespace lumicap
