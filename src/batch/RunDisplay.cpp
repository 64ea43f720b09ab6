#include "batch/RunDisplay.h"

#include "batch/ProgressWindow.h"
#include "resources/StringTable.h"
#include "widgets/UserPrompt.h"

#include <QCoreApplication>
#include <QDialog>

namespace lumicap {

RunDisplay::RunDisplay(QWidget *mainWindow, QWidget *owner) : mainWindow_(mainWindow), owner_(owner) {}

RunDisplay::~RunDisplay() = default;

void RunDisplay::begin()
{
    if (progress_)
        return;
    runFlag_ = 1;
    progress_ = std::make_unique<ProgressWindow>(&runFlag_, loadString(IDS_WORKING), QStringLiteral(""), mainWindow_, owner_);
}

void RunDisplay::showImage(const QString &name, int position)
{
    if (!progress_)
        return;
    progress_->SetProgressText(name);
    progress_->SetProgressPos(position);
}

void RunDisplay::end()
{
    if (!progress_)
        return;
    progress_->CloseProgress();
    progress_.reset();
}

void RunDisplay::afterImage()
{
    QCoreApplication::processEvents();
}

void RunDisplay::showSummary(UserPrompt &prompt, const BatchSummary &summary)
{
    QString text = BatchRun::summaryLine(summary);
    if (summary.cancelled)
        text += QLatin1Char('\n') + loadString(IDS_BATCH_CANCELLED);
    const QString untouched = BatchRun::untouchedMessage(summary);
    if (!untouched.isEmpty())
        text += QLatin1Char('\n') + untouched;
    if (summary.failed == 0 && summary.skipped == 0 && untouched.isEmpty())
        prompt.showInformation(text);
    else
        prompt.showMessage(text);
}

} // namespace lumicap
