#include "batch/PicturesRunWindow.h"

#include "resources/ControlIds.h"
#include "batch/RunDisplay.h"

#include <QPushButton>

namespace lumicap {

PicturesRunWindow::PicturesRunWindow(UserPrompt &prompt, std::vector<QByteArray> pictures, bool allCopies, QWidget *mainWindow)
    : QDialog(nullptr) // not a child of the main window, which a run disables
    , prompt_(prompt)
    , pictures_(std::move(pictures))
    , allCopies_(allCopies)
    , mainWindow_(mainWindow)
{}

void PicturesRunWindow::setControls(QHash<int, QWidget *> controls)
{
    controls_ = std::move(controls);
    setModal(true);
    connect(qobject_cast<QPushButton *>(control(ids::Cancel)), &QPushButton::clicked, this, &PicturesRunWindow::reject);
    connect(qobject_cast<QPushButton *>(control(ids::UndoBatch)), &QPushButton::clicked, this, &PicturesRunWindow::undoRun);
    control(ids::UndoBatch)->setEnabled(false);
    if (mainWindow_)
        move(mainWindow_->frameGeometry().center() - rect().center());
}

void PicturesRunWindow::run(const std::vector<QByteArray> &pictures, const EditFor &edit)
{
    RunDisplay display(mainWindow_, this);
    BatchRun batch(prompt_, display);
    batch.explainStatuses(true);
    summary_ = batch.runPictures(pictures, edit, {std::nullopt, std::nullopt, false, allCopies_});
    RunDisplay::showSummary(prompt_, summary_);
    control(ids::UndoBatch)->setEnabled(RunDisplay::canUndo(summary_));
}

void PicturesRunWindow::undoRun()
{
    if (summary_.run.isEmpty())
        return;
    control(ids::UndoBatch)->setEnabled(false);
    RunDisplay::undoRun(prompt_, summary_.run);
}

} // namespace lumicap
