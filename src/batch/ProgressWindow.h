#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QDialog;
class QWidget;

namespace lumicap {

// A small modeless window with a caption, a line of text, a bar from 0 to
// 100 and Cancel, for long work done on the window thread. Cancel (also
// Escape and the close box) sets the caller's flag to 0 and closes the
// window; the caller notices at its next look at the flag. While it shows,
// the main window is disabled, and closing always enables it again. Once
// the window is closed every call is harmless.
class ProgressWindow : public QObject
{
    Q_OBJECT

public:
    // A null caption means "Working", a null text "Click Cancel to cancel the
    // operation"; an empty text is a text. mainWindow, when given, is
    // disabled while the window shows; owner keeps the window above it.
    ProgressWindow(int *flag, const QString &caption, const QString &text, QWidget *mainWindow, QWidget *owner = nullptr);
    ~ProgressWindow() override;

    void setProgressText(const QString &text, int controlId = -1);
    void setProgressPos(int position);
    void closeProgress();
    void cancelProgress();

    bool isShown() const { return !closed_; }
    QDialog *window() const { return window_; }

private:
    QPointer<QDialog> window_;
    QPointer<QWidget> mainWindow_;
    int *flag_;
    bool closed_ = false;
};

} // namespace lumicap
