#include "widgets/ResizableDialog.h"

#include <QEvent>
#include <QLabel>
#include <QResizeEvent>
#include <QScreen>
#include <QSizeGrip>
#include <QTimer>

#include <algorithm>

namespace lumicap {

ResizableDialog::ResizableDialog(QWidget *parent)
    : QDialog(parent)
    , grip_(new QSizeGrip(this))
{
    setSizeGripEnabled(false); // ours is placed by hand, below every control
    grip_->resize(grip_->sizeHint());
}

QSize ResizableDialog::fittedMinimum(QSize wanted, QSize available, const QMargins &frame)
{
    if (available.isEmpty())
        return wanted;
    return wanted.boundedTo(available.shrunkBy(frame)).expandedTo(QSize(1, 1));
}

QMargins ResizableDialog::frameMargins() const
{
    const QRect frame = frameGeometry();
    const QRect inner = geometry();
    return QMargins(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(), frame.bottom() - inner.bottom());
}

void ResizableDialog::fitScreen()
{
    const QScreen *shown = screen();
    if (!shown)
        return;
    const QRect frame = frameGeometry();
    fittedFrame_ = frameMargins();
    const QRect area = shown->availableGeometry();
    setMinimumSize(fittedMinimum(builtSize_, area.size(), fittedFrame_));
    if (builtSize_.width() > minimumWidth() && width() > minimumWidth())
        resize(minimumWidth(), height());
    if (builtSize_.height() > minimumHeight() && height() > minimumHeight())
        resize(width(), minimumHeight());
    // A window cut to the screen is also moved onto it, title bar and all.
    if (isVisible() && (frame.top() < area.top() || frame.left() < area.left()))
        move(std::max(frame.left(), area.left()), std::max(frame.top(), area.top()));
}

void ResizableDialog::finishInitialisation()
{
    builtSize_ = size();
    fitScreen();
    placeGrip();
    grip_->raise();
    initialised_ = true;
}

void ResizableDialog::addAnchor(QWidget *control, Anchor topLeft, Anchor bottomRight)
{
    if (!control)
        return;
    // A text label that stretches must repaint, so centred text follows.
    const auto *label = qobject_cast<QLabel *>(control);
    const bool needsRefresh = label && label->pixmap().isNull();
    entries_.push_back({control, AnchorPlacement::capture(control->geometry(), size(), topLeft, bottomRight), needsRefresh});
}

void ResizableDialog::removeAllAnchors()
{
    entries_.clear();
}

void ResizableDialog::arrangeLayout()
{
    const QSize client = size();
    for (const Entry &entry : entries_) {
        if (!entry.control)
            continue;
        const QRect target = entry.placement.place(client);
        if (target != entry.control->geometry())
            entry.control->setGeometry(target);
    }
    for (const Entry &entry : entries_) {
        if (entry.control && entry.needsRefresh)
            entry.control->update();
    }
}

void ResizableDialog::placeGrip()
{
    const QSize g = grip_->size();
    const int x = layoutDirection() == Qt::RightToLeft ? 0 : width() - g.width();
    grip_->move(x, height() - g.height());
    grip_->setEnabled(!isMaximized());
}

void ResizableDialog::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    if (!initialised_ || isMinimized())
        return;
    placeGrip();
    arrangeLayout();
}

void ResizableDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The screen is known now; the frame may not be yet.
    if (initialised_ && !isMaximized())
        fitScreen();
    // Under X11 the frame's size comes from the window manager some time
    // after the window is mapped, and no event tells when; look again.
    for (const int ms : {300, 1500})
        QTimer::singleShot(ms, this, &ResizableDialog::refitToFrame);
}

void ResizableDialog::moveEvent(QMoveEvent *event)
{
    QDialog::moveEvent(event);
    refitToFrame();
}

void ResizableDialog::refitToFrame()
{
    // The window manager tells the frame's size only once the window is up.
    if (initialised_ && isVisible() && !isMaximized() && frameMargins() != fittedFrame_)
        fitScreen();
}

void ResizableDialog::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange || event->type() == QEvent::LayoutDirectionChange)
        placeGrip();
}

} // namespace lumicap
