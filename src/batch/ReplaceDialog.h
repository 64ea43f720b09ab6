#pragma once

#include "batch/FindReplace.h"
#include "batch/PicturesRunWindow.h"

#include <vector>

class QTreeWidget;

namespace lumicap {

// "Replace...": FIND and its replacement in the chosen fields of the
// folder's pictures. Find lists every change with a tick box and the changed
// part marked; Replace saves the ticked ones as a batch. The work is
// FindReplace's; this window shows it.
class ReplaceDialog : public PicturesRunWindow
{
    Q_OBJECT

public:
    ReplaceDialog(UserPrompt &prompt, std::vector<QByteArray> pictures, bool allCopies, QWidget *mainWindow);
    ~ReplaceDialog() override;

    QTreeWidget *changeList() const { return list_; }

public Q_SLOTS:
    void findChanges();
    void replaceTicked();

private:
    std::optional<FindReplace> request();
    void showChanges();

    QTreeWidget *list_ = nullptr;
    // What Find found, and with what: Replace makes those replacements.
    std::optional<FindReplace> found_;
    std::vector<TextChange> changes_;
};

} // namespace lumicap
