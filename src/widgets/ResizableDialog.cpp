#include "ResizableDialog.h"

#include <QEvent>
#include <QLabel>
#include <QResizeEvent>
#include <QScreen>
#include <QSizeGrip>

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

void ResizableDialog::fitScreen()
{
    const QScreen *shown = screen();
    if (!shown)
        return;
    const QRect frame = frameGeometry();
    const QRect inner = geometry();
    const QMargins margins(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                           frame.bottom() - inner.bottom());
    setMinimumSize(fittedMinimum(builtSize_, shown->availableGeometry().size(), margins));
    if (size().width() > minimumWidth() && builtSize_.width() > minimumWidth())
        resize(minimumWidth(), height());
    if (size().height() > minimumHeight() && builtSize_.height() > minimumHeight())
        resize(width(), minimumHeight());
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
    // Now the frame and the screen are known.
    if (initialised_ && !isMaximized())
        fitScreen();
}

void ResizableDialog::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange || event->type() == QEvent::LayoutDirectionChange)
        placeGrip();
}

} // namespace lumicap
