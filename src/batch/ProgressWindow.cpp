#include "batch/ProgressWindow.h"

#include "resources/ControlIds.h"
#include "widgets/DialogBuilder.h"
#include "resources/DialogTemplates.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>

#include <algorithm>

namespace lumicap {

ProgressWindow::ProgressWindow(int *flag, const QString &caption, const QString &text, QWidget *mainWindow, QWidget *owner)
    : mainWindow_(mainWindow)
    , flag_(flag)
{
    if (mainWindow_)
        mainWindow_->setEnabled(false);
    window_ = new QDialog(owner, Qt::Dialog);
    window_->setAttribute(Qt::WA_DeleteOnClose, false);
    const auto controls = DialogBuilder(progressTemplate())
                              .make(ids::ProgressBar,
                                    [](QWidget *parent) {
                                        auto *bar = new QProgressBar(parent);
                                        bar->setRange(0, 100);
                                        bar->setValue(0);
                                        bar->setTextVisible(false);
                                        return bar;
                                    })
                              .buildFixed(window_);
    window_->setWindowTitle(caption.isNull() ? QStringLiteral("Working") : caption);
    qobject_cast<QLabel *>(controls.value(ids::ProgressText))->setText(text.isNull() ? QStringLiteral("Click Cancel to cancel the operation") : text);
    connect(qobject_cast<QAbstractButton *>(controls.value(ids::Cancel)), &QAbstractButton::clicked, this, &ProgressWindow::cancelProgress);
    connect(window_, &QDialog::rejected, this, &ProgressWindow::cancelProgress); // Escape, the close box

    // Centred over its owner, or on the screen.
    const QRect area = owner ? owner->frameGeometry() : QApplication::primaryScreen()->availableGeometry();
    window_->move(area.center() - window_->rect().center());
    window_->show();
    window_->repaint(); // drawn before the caller's first step
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

ProgressWindow::~ProgressWindow()
{
    closeProgress();
}

void ProgressWindow::setProgressText(const QString &text, int controlId)
{
    if (closed_ || !window_)
        return;
    if (auto *label = window_->findChild<QLabel *>(QString::number(controlId < 0 ? ids::ProgressText : controlId)))
        label->setText(text);
}

void ProgressWindow::setProgressPos(int position)
{
    if (closed_ || !window_)
        return;
    if (auto *bar = window_->findChild<QProgressBar *>(QString::number(ids::ProgressBar)))
        bar->setValue(std::clamp(position, 0, 100));
}

void ProgressWindow::closeProgress()
{
    if (closed_)
        return;
    closed_ = true;
    // The main window is enabled before the progress window goes, whatever
    // its state was before.
    if (mainWindow_)
        mainWindow_->setEnabled(true);
    if (window_) {
        window_->hide();
        window_->deleteLater();
    }
}

void ProgressWindow::cancelProgress()
{
    if (closed_)
        return;
    if (flag_)
        *flag_ = 0;
    closeProgress();
}

} // namespace lumicap
