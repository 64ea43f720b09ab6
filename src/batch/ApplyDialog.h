#pragma once

#include "batch/PicturesRunWindow.h"

namespace lumicap {

// "Apply to all pictures...": sets the ticked fields of every picture of
// the folder to a pattern, or only where the field is empty, as a batch.
// The work is FieldPatterns' and BatchRun's; this window forwards.
class ApplyDialog : public PicturesRunWindow
{
    Q_OBJECT

public:
    ApplyDialog(UserPrompt &prompt, std::vector<QByteArray> pictures, bool allCopies, QWidget *mainWindow);

public Q_SLOTS:
    void apply();
};

} // namespace lumicap
