#pragma once

#include "batch/BatchRun.h"

#include <QDialog>
#include <QHash>
#include <QPointer>

#include <vector>

namespace lumicap {

class UserPrompt;

// "Apply to all pictures...": sets the ticked fields of every picture of
// the folder to a pattern, or only where the field is empty, as a batch.
// The work is FieldPatterns' and BatchRun's; this window forwards.
class ApplyDialog : public QDialog
{
    Q_OBJECT

public:
    ApplyDialog(UserPrompt &prompt, std::vector<QByteArray> pictures, bool allCopies, QWidget *mainWindow);

    QWidget *control(int id) const { return controls_.value(id); }
    const BatchSummary &lastSummary() const { return summary_; }

public Q_SLOTS:
    void apply();

private:
    UserPrompt &prompt_;
    std::vector<QByteArray> pictures_;
    bool allCopies_;
    QPointer<QWidget> mainWindow_;
    QHash<int, QWidget *> controls_;
    BatchSummary summary_;
};

} // namespace lumicap
