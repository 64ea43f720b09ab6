#include "widgets/MessageBoxPrompt.h"

#include <QApplication>
#include <QMessageBox>

namespace lumicap {

void MessageBoxPrompt::showMessage(const QString &text)
{
    QMessageBox::warning(parent_, QApplication::applicationName(), text, QMessageBox::Ok);
}

void MessageBoxPrompt::showInformation(const QString &text)
{
    QMessageBox::information(parent_, QApplication::applicationName(), text, QMessageBox::Ok);
}

bool MessageBoxPrompt::askYesNo(const QString &text)
{
    return QMessageBox::warning(parent_, QApplication::applicationName(), text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes)
        == QMessageBox::Yes;
}

UserPrompt::Answer MessageBoxPrompt::askYesNoCancel(const QString &text)
{
    // With a Cancel button, Escape and the close box answer Cancel.
    switch (QMessageBox::warning(parent_, QApplication::applicationName(), text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                 QMessageBox::Yes)) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Cancel;
    }
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
