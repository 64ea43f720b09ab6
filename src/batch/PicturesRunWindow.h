#pragma once

#include "batch/BatchRun.h"

#include <QDialog>
#include <QHash>
#include <QPointer>

#include <vector>

namespace lumicap {

class UserPrompt;

// What the windows that edit every picture of the folder share: the
// pictures, a run over them shown with its progress and summary, Close, and
// "Undo Batch", which takes back the last run.
class PicturesRunWindow : public QDialog
{
    Q_OBJECT

public:
    QWidget *control(int id) const { return controls_.value(id); }
    const BatchSummary &lastSummary() const { return summary_; }

public Q_SLOTS:
    void undoRun();

protected:
    PicturesRunWindow(UserPrompt &prompt, std::vector<QByteArray> pictures, bool allCopies, QWidget *mainWindow);
    // Takes the window's controls, once they are built.
    void setControls(QHash<int, QWidget *> controls);
    void run(const std::vector<QByteArray> &pictures, const EditFor &edit);

    UserPrompt &prompt_;
    std::vector<QByteArray> pictures_;

private:
    bool allCopies_;
    QPointer<QWidget> mainWindow_;
    QHash<int, QWidget *> controls_;
    BatchSummary summary_;
};

} // namespace lumicap
