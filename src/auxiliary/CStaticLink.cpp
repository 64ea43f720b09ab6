#include "auxiliary/CStaticLink.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QUrl>

namespace lumicap {

const QColor CStaticLink::unvisitedColour(0, 0, 255);
const QColor CStaticLink::visitedColour(128, 0, 128);

CStaticLink::CStaticLink(QWidget *parent)
    : QLabel(parent)
    , opener_([](const QString &target) { return QDesktopServices::openUrl(QUrl::fromUserInput(target)); })
{
    setCursor(Qt::PointingHandCursor);
    setTextFormat(Qt::PlainText);
    applyLook();
}

void CStaticLink::applyLook()
{
    // Called again after the template gave the label its text or picture.
    // Only text gets the link look; a picture keeps its own.
    QFont f = font();
    f.setUnderline(pixmap().isNull());
    setFont(f);
    QPalette p = palette();
    p.setColor(QPalette::WindowText, colour_);
    setPalette(p);
}

bool CStaticLink::fillTarget()
{
    if (target_.isEmpty())
        target_ = text();
    return !target_.isEmpty();
}

bool CStaticLink::openWithShell(const QString &target)
{
    return !target.isEmpty() && opener_ && opener_(target);
}

void CStaticLink::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        if (!fillTarget())
            return;
        if (!openWithShell(target_)) {
            QApplication::beep();
            return;
        }
        colour_ = visitedColour;
        applyLook();
        update();
    } else if (event->button() == Qt::RightButton) {
        if (fillTarget())
            QGuiApplication::clipboard()->setText(target_);
    }
}

} // namespace lumicap
