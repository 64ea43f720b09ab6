#include "batch/RunDisplay.h"

#include "metadata/Journal.h"
#include "batch/ProgressWindow.h"
#include "metadata/SaveUndo.h"
#include "resources/StatusReasons.h"
#include "resources/StringTable.h"
#include "metadata/TextEncoding.h"
#include "widgets/UserPrompt.h"

#include <QCoreApplication>
#include <QDialog>

namespace lumicap {

RunDisplay::RunDisplay(QWidget *mainWindow, QWidget *owner)
    : mainWindow_(mainWindow)
    , owner_(owner)
{}

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
    progress_->setProgressText(name);
    progress_->setProgressPos(position);
}

void RunDisplay::end()
{
    if (!progress_)
        return;
    progress_->closeProgress();
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

bool RunDisplay::canUndo(const BatchSummary &summary)
{
    return summary.saved > 0 && !summary.run.isEmpty() && Journal::user();
}

void RunDisplay::undoRun(UserPrompt &prompt, const QByteArray &run)
{
    std::vector<UndoResult> results;
    {
        WaitCursor wait(prompt);
        results = SaveUndo(Journal(Journal::userFolder()).entries()).run(run, false);
    }
    int restored = 0;
    QStringList problems;
    for (const UndoResult &r : results) {
        const QByteArray shown = displayPath(r.path).toUtf8();
        QList<QByteArray> leftAlone(r.leftAlone.begin(), r.leftAlone.end());
        restored += r.outcome == UndoResult::Outcome::Restored ? 1 : 0;
        if (!leftAlone.isEmpty())
            problems << formatString(IDS_UNDO_LEFT_ALONE, shown.constData(), leftAlone.join(", ").constData());
        if (r.outcome == UndoResult::Outcome::Replaced)
            problems << formatString(IDS_UNDO_REPLACED, shown.constData());
        else if (r.outcome == UndoResult::Outcome::Failed)
            problems << statusMessage(IDS_SAVE_ERROR, statusNumber(r.status), displayPath(r.path));
    }
    const QString text = formatString(IDS_UNDO_BATCH_DONE, restored);
    if (problems.isEmpty())
        prompt.showInformation(text);
    else
        prompt.showMessage(text + '\n' + problems.join('\n'));
}

} // namespace lumicap
