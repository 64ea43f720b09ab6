#pragma once

#include "batch/BatchRun.h"

#include <QPointer>
#include <QWidget>

#include <memory>

namespace lumicap {

class ProgressWindow;
class UserPrompt;

// A run's progress in a ProgressWindow over the window that started it,
// whose Cancel stops the run after the picture in hand.
class RunDisplay : public BatchProgress
{
public:
    RunDisplay(QWidget *mainWindow, QWidget *owner);
    ~RunDisplay() override;

    ProgressWindow *window() const { return progress_.get(); }

    void begin() override;
    void showImage(const QString &name, int position) override;
    void end() override;
    bool cancelled() const override { return runFlag_ == 0; }
    void afterImage() override;

    // What the run did, in one box however it ended; a warning only when
    // something was not done as asked.
    static void showSummary(UserPrompt &prompt, const BatchSummary &summary);
    // Whether the run's saves can be taken back (some were made and the
    // journal is on), and taking them back, saying how it went.
    static bool canUndo(const BatchSummary &summary);
    static void undoRun(UserPrompt &prompt, const QByteArray &run);

private:
    QPointer<QWidget> mainWindow_;
    QPointer<QWidget> owner_;
    int runFlag_ = 0;
    std::unique_ptr<ProgressWindow> progress_;
};

} // namespace lumicap
