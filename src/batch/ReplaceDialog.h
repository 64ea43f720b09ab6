#pragma once

#include "batch/BatchRun.h"
#include "batch/FindReplace.h"

#include <QDialog>
#include <QHash>
#include <QPointer>

#include <vector>

class QTreeWidget;

namespace lumicap {

class RunDisplay;
class UserPrompt;

// "Replace...": FIND and its replacement in the chosen fields of the
// folder's pictures. Find lists every change with a tick box and the changed
// part marked; Replace saves the ticked ones as a batch. The work is
// FindReplace's; this window shows it.
class ReplaceDialog : public QDialog
{
    Q_OBJECT

public:
    ReplaceDialog(UserPrompt &prompt, std::vector<QByteArray> pictures, bool allCopies, QWidget *mainWindow);
    ~ReplaceDialog() override;

    QWidget *control(int id) const { return controls_.value(id); }
    QTreeWidget *changeList() const { return list_; }
    const BatchSummary &lastSummary() const { return summary_; }

public Q_SLOTS:
    void findChanges();
    void replaceTicked();

private:
    std::optional<FindReplace> request();
    void showChanges();

    UserPrompt &prompt_;
    std::vector<QByteArray> pictures_;
    bool allCopies_;
    QPointer<QWidget> mainWindow_;
    QHash<int, QWidget *> controls_;
    QTreeWidget *list_ = nullptr;
    // What Find found, and with what: Replace makes those replacements.
    std::optional<FindReplace> found_;
    std::vector<TextChange> changes_;
    BatchSummary summary_;
};

} // namespace lumicap
