#include "MessageBoxPrompt.h"

#include <QApplication>
#include <QMessageBox>

namespace lumicap {

void MessageBoxPrompt::showMessage(const QString &text)
{
    QMessageBox::warning(parent_, QApplication::applicationName(), text, QMessageBox::Ok);
}

bool MessageBoxPrompt::askYesNo(const QString &text)
{
    return QMessageBox::warning(parent_, QApplication::applicationName(), text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes)
           == QMessageBox::Yes;
}

void MessageBoxPrompt::beginWait()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void MessageBoxPrompt::endWait()
{
    QApplication::restoreOverrideCursor();
}

} // namespace lumicap
