#pragma once

#include "batch/BatchRun.h"
#include "batch/RunDisplay.h"

#include <QDialog>
#include <QHash>
#include <QPointer>

namespace lumicap {

class FileBrowseEdit;
class UserPrompt;

// The batch window: a list file, one artist and one copyright for all its
// images, and Start. The run itself is BatchRun; this window checks the
// fields, keeps the settings and shows the progress.
class BatchDialog : public QDialog
{
    Q_OBJECT

public:
    // mainWindow is disabled while a run shows its progress.
    BatchDialog(UserPrompt &prompt, QWidget *mainWindow);
    ~BatchDialog() override;

    QWidget *control(int id) const { return controls_.value(id); }
    FileBrowseEdit *listEdit() const { return listEdit_; }
    bool isRunning() const { return running_; }
    ProgressWindow *progressWindow() const { return display_.window(); }
    const BatchSummary &lastSummary() const { return summary_; }

public Q_SLOTS:
    void start();
    // Takes back the saves of the last run.
    void undoRun();
    void reject() override;

private:
    bool failField(int id, const QString &message);
    void setRunning(bool running);

    UserPrompt &prompt_;
    QPointer<QWidget> mainWindow_;
    QHash<int, QWidget *> controls_;
    FileBrowseEdit *listEdit_ = nullptr;
    BatchSummary summary_;
    RunDisplay display_;
    bool running_ = false;
};

} // namespace lumicap
