#include "batch/BatchDialog.h"

#include "batch/BatchSettings.h"
#include "widgets/BrowseEdit.h"
#include "resources/ControlIds.h"
#include "widgets/DialogBuilder.h"
#include "resources/DialogTemplates.h"
#include "metadata/MetadataFields.h"
#include "metadata/PathOps.h"
#include "resources/StringTable.h"
#include "metadata/TextEncoding.h"
#include "widgets/TypingLimit.h"
#include "widgets/UserPrompt.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace lumicap {

namespace {
// A batch's texts go into pictures of any format: they take what a JPEG can
// hold, the least of them.
constexpr qsizetype batchFieldBytes = jpegFieldBytes;
constexpr int fieldIds[2] = {ids::BatchArtist, ids::BatchCopyright};
constexpr int fieldNames[2] = {IDS_ARTIST, IDS_COPYRIGHT};

QString fieldFull(int index, qsizetype excess)
{
    const QString name = loadString(fieldNames[index]).chopped(1).toLower();
    return formatString(IDS_BATCH_FIELD_FULL, name.toUtf8().constData(), static_cast<int>(batchFieldBytes), static_cast<int>(excess));
}
} // namespace

BatchDialog::BatchDialog(UserPrompt &prompt, QWidget *mainWindow)
    : QDialog(nullptr) // not a child of the main window, which a run disables
    , prompt_(prompt)
    , mainWindow_(mainWindow)
    , display_(mainWindow, this)
{
    const BatchSettings settings = BatchSettings::load();
    controls_ = DialogBuilder(batchTemplate())
                    .make(ids::ListFile, [this](QWidget *parent) { return listEdit_ = new FileBrowseEdit(parent); })
                    .buildFixed(this);
    setModal(true);

    for (int i = 0; i < 2; ++i) {
        auto *edit = qobject_cast<QLineEdit *>(control(fieldIds[i]));
        auto *limit = new TypingLimit(edit, batchFieldBytes);
        connect(limit, &TypingLimit::refused, this, [this, i](qsizetype excess) { prompt_.showMessage(fieldFull(i, excess)); });
        const QString stored = i == 0 ? settings.artist : settings.copyright;
        limit->allowText(stored);
        edit->setText(stored);
    }
    qobject_cast<QCheckBox *>(control(ids::BatchRemoveAllExif))->setChecked(settings.removeAllExif);
    qobject_cast<QCheckBox *>(control(ids::BatchAllCopies))->setChecked(settings.allCopies);
    listEdit_->setText(settings.listFile);
    listEdit_->attach();
    listEdit_->setFilter(loadString(IDS_LIST_FILTER));
    listEdit_->setShowHidden(true);                   // list files are often hidden
    listEdit_->setStartFolder(settings.imagesFolder); // without a list, the picker starts among the pictures

    connect(qobject_cast<QPushButton *>(control(ids::Start)), &QPushButton::clicked, this, &BatchDialog::start);
    connect(qobject_cast<QPushButton *>(control(ids::Cancel)), &QPushButton::clicked, this, &BatchDialog::reject);
    connect(qobject_cast<QPushButton *>(control(ids::UndoBatch)), &QPushButton::clicked, this, &BatchDialog::undoRun);
    control(ids::UndoBatch)->setEnabled(false);
    if (mainWindow_)
        move(mainWindow_->frameGeometry().center() - rect().center());
}

BatchDialog::~BatchDialog() = default;

bool BatchDialog::failField(int id, const QString &message)
{
    prompt_.showMessage(message);
    auto *edit = qobject_cast<QLineEdit *>(control(id));
    edit->setFocus();
    edit->selectAll();
    return false;
}

void BatchDialog::start()
{
    if (running_)
        return;
    BatchSettings settings;
    settings.artist = qobject_cast<QLineEdit *>(control(ids::BatchArtist))->text();
    settings.copyright = qobject_cast<QLineEdit *>(control(ids::BatchCopyright))->text();
    settings.removeAllExif = qobject_cast<QCheckBox *>(control(ids::BatchRemoveAllExif))->isChecked();
    settings.allCopies = qobject_cast<QCheckBox *>(control(ids::BatchAllCopies))->isChecked();
    settings.listFile = listEdit_->text();
    // Only a stored text can be too long: typing stops at the limit.
    for (int i = 0; i < 2; ++i) {
        const qsizetype bytes = (i == 0 ? settings.artist : settings.copyright).toUtf8().size();
        if (bytes > batchFieldBytes) {
            failField(fieldIds[i], fieldFull(i, bytes - batchFieldBytes));
            return;
        }
    }
    if (settings.listFile.isEmpty()) {
        failField(ids::ListFile, loadString(IDS_LIST_NAME_EMPTY));
        return;
    }
    settings.save();

    const QByteArray listPath = pathBytes(settings.listFile);
    // Read as the run goes: a list of any length takes little memory.
    ListFileReader list;
    if (const ImageStatus opened = list.open(listPath); opened != ImageStatus::Ok) {
        prompt_.showMessage(opened == ImageStatus::FileNotFound
                                ? formatString(IDS_LIST_MISSING, settings.listFile.toUtf8().constData())
                                : formatString(IDS_LIST_READ_ERROR, statusNumber(opened), settings.listFile.toUtf8().constData()));
        return;
    }
    if (list.holdsBinary()) {
        prompt_.showMessage(formatString(IDS_LIST_BINARY, settings.listFile.toUtf8().constData()));
        return;
    }
    // Start, Close and Escape rest while the run goes on.
    setRunning(true);
    BatchRun run(prompt_, display_);
    run.explainStatuses(true);
    // A blank artist or copyright leaves each image's own.
    const auto given = [](const QString &text) { return text.isEmpty() ? std::nullopt : std::optional<QByteArray>(text.toUtf8()); };
    summary_ = run.runListFile(list, listPath, {given(settings.artist), given(settings.copyright), settings.removeAllExif, settings.allCopies});
    setRunning(false);
    RunDisplay::showSummary(prompt_, summary_);
    control(ids::UndoBatch)->setEnabled(RunDisplay::canUndo(summary_));
}

void BatchDialog::undoRun()
{
    if (running_ || summary_.run.isEmpty())
        return;
    control(ids::UndoBatch)->setEnabled(false);
    RunDisplay::undoRun(prompt_, summary_.run);
}

void BatchDialog::setRunning(bool running)
{
    running_ = running;
    control(ids::Start)->setEnabled(!running);
    control(ids::Cancel)->setEnabled(!running);
}

void BatchDialog::reject()
{
    if (!running_)
        QDialog::reject();
}

} // namespace lumicap
