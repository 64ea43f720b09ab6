#include "editor/EditorController.h"

#include "resources/ControlIds.h"
#include "editor/EditorView.h"
#include "metadata/Journal.h"
#include "imaging/CaptionCopies.h"
#include "metadata/MetadataReader.h"
#include "metadata/MetadataWriter.h"
#include "imaging/NameList.h"
#include "metadata/PathOps.h"
#include "metadata/SafeSave.h"
#include "metadata/SaveUndo.h"
#include "resources/StatusReasons.h"
#include "resources/StringTable.h"
#include "metadata/TextEncoding.h"
#include "widgets/UserPrompt.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace lumicap {

namespace {
constexpr int fieldIds[3] = {ids::Description, ids::Artist, ids::Copyright};
constexpr int labelIds[3] = {ids::DescriptionLabel, ids::ArtistLabel, ids::CopyrightLabel};
constexpr int plainLabels[3] = {IDS_DESCRIPTION, IDS_ARTIST, IDS_COPYRIGHT};
constexpr int markedLabels[3] = {IDS_DESCRIPTION_CHANGED, IDS_ARTIST_CHANGED, IDS_COPYRIGHT_CHANGED};
constexpr int noteIds[3] = {ids::DescriptionNote, ids::ArtistNote, ids::CopyrightNote};
const Setting historyKeys[3] = {Setting::ArtistHistory, Setting::ArtistHistory, Setting::CopyrightHistory}; // [0] unused: the description keeps none
QByteArray MetadataFields::*const fieldMembers[3] = {&MetadataFields::description, &MetadataFields::artist, &MetadataFields::copyright};
std::vector<TextCopy> FieldCopies::*const copyMembers[3] = {&FieldCopies::description, &FieldCopies::artist, &FieldCopies::copyright};

FieldReading readingOf(const MetadataFields &fields, const FieldCopies &copies, int index)
{
    return readField(fields.*fieldMembers[index], copies.*copyMembers[index]);
}
} // namespace

EditorController::EditorController(EditorView &view, UserPrompt &prompt)
    : view_(view)
    , prompt_(prompt)
{
    filmstrip_.setPausedWhile([this] { return !previews_.idle(); });
    QObject::connect(&filmstrip_, &FilmstripModel::descriptionRead, &filmstrip_, [this](const QString &text) { offerFolderCaption(text, false); });
}

EditorController::~EditorController() = default;

int EditorController::fieldIndex(int id)
{
    for (int i = 0; i < 3; ++i) {
        if (fieldIds[i] == id)
            return i;
    }
    return -1;
}

void EditorController::initialise()
{
    options_ = EditorSettings::load();
    saved_ = options_;
    view_.setText(ids::Folder, options_.imgFolder);
    view_.setChecked(ids::AutoSel, options_.autoSel);
    view_.setChecked(ids::RemoveAllExif, options_.removeAllExif);
    view_.setChecked(ids::NoLoadCopyR, options_.noLoadCopyR);
    view_.setChecked(ids::AutoSave, options_.autoSave);
    view_.setChecked(ids::AllCopies, options_.allCopies);
    // The artist and copyright typed with "don't load artist & copyright"
    // on come back with it.
    if (options_.noLoadCopyR) {
        setField(1, options_.artist.toUtf8());
        setField(2, options_.copyright.toUtf8());
    }
    for (int i = 0; i < 3; ++i)
        markField(i, {});
    for (int i = 1; i < 3; ++i) {
        history_[static_cast<std::size_t>(i)] = EditorSettings::loadHistory(historyKeys[i]);
        view_.setCompletions(fieldIds[i], history_[static_cast<std::size_t>(i)]);
    }
    clearChangeMarks();
    updateButtons();
}

EditorController::State EditorController::state() const
{
    if (!image_)
        return State::Idle;
    return changed_[0] || changed_[1] || changed_[2] ? State::Edited : State::Clean;
}

bool EditorController::isChanged(int id) const
{
    const int i = fieldIndex(id);
    return i >= 0 && changed_[static_cast<std::size_t>(i)];
}

void EditorController::fieldChanged(int id)
{
    const int i = fieldIndex(id);
    if (i < 0 || filling_)
        return;
    // Typed back to the text it had, a field is unchanged again.
    const auto index = static_cast<std::size_t>(i);
    const bool changed = view_.text(id) != shown_[index];
    if (changed != changed_[index])
        view_.setText(labelIds[i], loadString(changed ? markedLabels[i] : plainLabels[i]));
    changed_[index] = changed;
    showIptcCounter(i);
    filmstrip_.setCurrentEdited(state() == State::Edited);
}

bool EditorController::hasIptcCopy(int index) const
{
    if (!image_)
        return false;
    if (options_.allCopies)
        return true;
    const auto &copies = image_->copies().*copyMembers[index];
    return std::any_of(copies.begin(), copies.end(), [](const TextCopy &c) { return c.where == "IPTC"; });
}

int EditorController::iptcOverflow(int index) const
{
    static constexpr int limits[3] = {CaptionCopies::iptcCaptionBytes, CaptionCopies::iptcBylineBytes, CaptionCopies::iptcCopyrightBytes};
    if (!hasIptcCopy(index))
        return 0;
    const QByteArray text = fieldBytes(index);
    // By-line holds each name of the artist apart.
    const auto items = index == 1 ? splitNames(text) : std::vector<QByteArray>{text};
    for (const QByteArray &item : items) {
        if (item.size() > limits[index])
            return limits[index];
    }
    return 0;
}

void EditorController::showIptcCounter(int index)
{
    // Quiet: a line under the preview, only while the text passes the limit.
    const int limit = iptcOverflow(index);
    if (limit > 0) {
        view_.setText(
            ids::Status,
            formatString(IDS_IPTC_OVER, loadString(plainLabels[index]).toUtf8().constData(), static_cast<int>(fieldBytes(index).size()), limit));
        counting_ = index;
    } else if (counting_ == index) {
        view_.setText(ids::Status, {});
        counting_ = -1;
    }
}

void EditorController::clearChangeMarks()
{
    for (int i = 0; i < 3; ++i) {
        changed_[static_cast<std::size_t>(i)] = false;
        shown_[static_cast<std::size_t>(i)] = view_.text(fieldIds[i]);
        view_.setText(labelIds[i], loadString(plainLabels[i]));
    }
    filmstrip_.setCurrentEdited(false);
}

void EditorController::setField(int index, const QByteArray &bytes)
{
    const auto i = static_cast<std::size_t>(index);
    const QString text = displayText(bytes);
    original_[i] = bytes;
    filling_ = true;
    view_.setText(fieldIds[index], text);
    shown_[i] = view_.text(fieldIds[index]);
    filling_ = false;
}

void EditorController::showField(int index, const FieldReading &reading)
{
    setField(index, reading.bytes);
    markField(index, reading);
}

void EditorController::markField(int index, const FieldReading &reading)
{
    view_.setToolTip(labelIds[index], reading.from.isEmpty() ? QString() : formatString(IDS_FROM_COPY, reading.from.constData()));
    QString note;
    if (!reading.differing.empty())
        note = loadString(IDS_COPIES_DIFFER);
    for (const TextCopy &copy : reading.differing)
        note += '\n' + formatString(IDS_COPY_LINE, copy.where.constData(), copy.text.isEmpty() ? stringText(IDS_COPY_EMPTY) : copy.text.constData());
    view_.setToolTip(noteIds[index], note);
    view_.setVisible(noteIds[index], !note.isEmpty());
}

QByteArray EditorController::fieldBytes(int index) const
{
    return storedBytes(view_.text(fieldIds[index]), original_[static_cast<std::size_t>(index)]);
}

qsizetype EditorController::fieldLimit() const
{
    return image_ && image_->format() != ImageFormat::Jpeg ? otherFieldBytes : jpegFieldBytes;
}

void EditorController::refused(int id, qsizetype excess)
{
    const int i = fieldIndex(id);
    if (i < 0)
        return;
    const QString name = loadString(plainLabels[i]).chopped(1).toLower();
    prompt_.showMessage(formatString(IDS_FIELD_FULL, name.toUtf8().constData(), static_cast<int>(fieldLimit()), static_cast<int>(excess)));
}

void EditorController::forgetCompletion(int id, const QString &text)
{
    const int i = fieldIndex(id);
    if (i < 1)
        return;
    QStringList &history = history_[static_cast<std::size_t>(i)];
    if (history.removeAll(text) == 0)
        return;
    EditorSettings::saveHistory(historyKeys[i], history);
    view_.setCompletions(id, history);
}

void EditorController::rememberSaved(const FieldSelection &written)
{
    for (int i = 1; i < 3; ++i) {
        const QString text = view_.text(fieldIds[i]);
        if (!(i == 1 ? written.artist : written.copyright))
            continue;
        QStringList &history = history_[static_cast<std::size_t>(i)];
        if (text.trimmed().isEmpty() || history.value(0) == text)
            continue;
        history.removeAll(text);
        history.prepend(text);
        while (history.size() > historySize)
            history.removeLast();
        EditorSettings::saveHistory(historyKeys[i], history);
        view_.setCompletions(fieldIds[i], history);
    }
    offerFolderCaption(view_.text(ids::Description));
}

void EditorController::offerFolderCaption(const QString &text, bool first)
{
    if (text.trimmed().isEmpty() || folderCaptions_.contains(text))
        return;
    if (first)
        folderCaptions_.prepend(text);
    else
        folderCaptions_.append(text);
    view_.setCompletions(ids::Description, folderCaptions_);
}

bool EditorController::pullValues(bool folderChecks)
{
    options_.imgFolder = view_.text(ids::Folder);
    options_.autoSel = view_.isChecked(ids::AutoSel);
    options_.removeAllExif = view_.isChecked(ids::RemoveAllExif);
    options_.noLoadCopyR = view_.isChecked(ids::NoLoadCopyR);
    options_.autoSave = view_.isChecked(ids::AutoSave);
    options_.allCopies = view_.isChecked(ids::AllCopies);
    if (options_.noLoadCopyR) {
        options_.artist = view_.text(ids::Artist);
        options_.copyright = view_.text(ids::Copyright);
    }

    if (folderChecks) {
        const FolderCheck check = checkFolder(pathBytes(options_.imgFolder));
        if (check != FolderCheck::Ok) {
            prompt_.showMessage(loadString(check == FolderCheck::Empty ? IDS_FOLDER_EMPTY : IDS_FOLDER_MISSING));
            view_.focus(ids::Folder, false);
            return false;
        }
    }
    // Written when they changed: a settings file is rewritten and flushed,
    // which PageDown must not wait for each time.
    if (options_ != saved_) {
        options_.save();
        saved_ = options_;
    }
    return true;
}

void EditorController::start(const QByteArray &showName)
{
    if (!pullValues(true))
        return;
    const QByteArray folder = pathBytes(options_.imgFolder);
    std::vector<QByteArray> found;
    {
        WaitCursor wait(prompt_);
        found = ImageList::listImages(folder);
    }
    // A folder without images changes nothing: the list, the position and
    // the image on screen (with its edits) stay as they were.
    if (found.empty()) {
        prompt_.showMessage(loadString(IDS_NO_IMAGES));
        return;
    }
    if (!releaseImage())
        return;
    previews_.cancel();
    if (folder != shownFolder_) {
        folderCaptions_.clear();
        view_.setCompletions(ids::Description, folderCaptions_);
        shownFolder_ = folder;
    }
    list_.assign(std::move(found));
    filmstrip_.setPictures(list_.entries());
    position_ = 0;
    if (!showName.isEmpty()) {
        const auto &entries = list_.entries();
        // The list joins names to the folder with the system's separator.
        const auto shown = std::find(entries.begin(), entries.end(), joinPath(folder, showName));
        if (shown != entries.end())
            position_ = static_cast<int>(shown - entries.begin());
    }
    openCurrentImage();
}

void EditorController::openPath(const QString &path)
{
    const QFileInfo info(path);
    const bool file = info.isFile();
    // As the system writes paths: Qt's own form has forward slashes on Windows.
    view_.setText(ids::Folder, QDir::toNativeSeparators(file ? info.absolutePath() : info.absoluteFilePath()));
    start(file ? pathBytes(info.fileName()) : QByteArray());
}

void EditorController::previous()
{
    goTo(position_ - 1);
}

void EditorController::next()
{
    goTo(position_ + 1);
}

void EditorController::goTo(int index)
{
    pullValues(false);
    if (index >= 0 && index < list_.count() && index != position_ && releaseImage()) {
        position_ = index;
        openCurrentImage();
    }
}

void EditorController::saveCommand()
{
    pullValues(false);
    if (saveCurrentImage())
        openCurrentImage();
}

void EditorController::undoLastSave()
{
    if (!image_ || !releaseImage())
        return;
    UndoResult result;
    {
        WaitCursor wait(prompt_);
        result = SaveUndo(Journal(Journal::userFolder()).entries()).lastSave(currentPath_, false);
    }
    const QByteArray shown = displayPath(currentPath_).toUtf8();
    const auto fields = [](const std::vector<QByteArray> &names) {
        return names.empty() ? QByteArray() : QList<QByteArray>(names.begin(), names.end()).join(", ");
    };
    QStringList problems;
    if (!result.leftAlone.empty())
        problems << formatString(IDS_UNDO_LEFT_ALONE, shown.constData(), fields(result.leftAlone).constData());
    if (result.outcome == UndoResult::Outcome::NothingToUndo)
        problems << formatString(IDS_UNDO_NOTHING, shown.constData());
    else if (result.outcome == UndoResult::Outcome::Replaced)
        problems << formatString(IDS_UNDO_REPLACED, shown.constData());
    else if (result.outcome == UndoResult::Outcome::Failed)
        problems << statusMessage(IDS_SAVE_ERROR, statusNumber(result.status), displayPath(currentPath_));
    if (!problems.isEmpty())
        prompt_.showMessage(problems.join('\n'));
    if (!result.restored.empty()) {
        view_.setText(ids::Status, formatString(IDS_UNDO_RESTORED, fileNamePart(shown).constData(), fields(result.restored).constData()));
        keepStatus_ = true;
    }
    filmstrip_.rereadMarks();
    openCurrentImage();
}

void EditorController::saveAndGo(int step)
{
    // Before the first start there is nothing to save: Enter starts.
    if (list_.count() == 0) {
        start();
        return;
    }
    if (!image_) {
        step > 0 ? next() : previous();
        return;
    }
    pullValues(false);
    const bool edited = state() == State::Edited;
    // Saved here, not by the release's question: Enter means save.
    if (edited && !saveCurrentImage())
        return;
    const int to = position_ + step;
    if (to >= 0 && to < list_.count()) {
        position_ = to;
        openCurrentImage();
        return;
    }
    if (edited)
        openCurrentImage(); // shown as saved, as Ctrl+S does
    view_.setText(ids::Status, loadString(step > 0 ? IDS_LAST_PICTURE : IDS_FIRST_PICTURE));
}

bool EditorController::releaseForBatch()
{
    return releaseImage();
}

void EditorController::afterBatch()
{
    filmstrip_.rereadMarks();
    if (!image_)
        openCurrentImage();
}

bool EditorController::close()
{
    if (!releaseImage())
        return false;
    previews_.cancel();
    pullValues(false);
    options_.save(); // also when the pass stopped at a long field
    return true;
}

void EditorController::autoSelClicked(bool on)
{
    options_.autoSel = on;
    saved_.autoSel = on;
    EditorSettings::saveAutoSel(on);
}

void EditorController::setFilmstripShown(bool on)
{
    options_.filmstrip = on;
    saved_.filmstrip = on;
    EditorSettings::saveFilmstrip(on);
}

void EditorController::openCurrentImage()
{
    if (position_ < 0 || position_ >= list_.count())
        return;
    WaitCursor wait(prompt_);
    if (!releaseImage())
        return;
    currentPath_ = list_.at(position_);
    // A save's note stays until the next picture shows.
    if (!std::exchange(keepStatus_, false))
        view_.setText(ids::Status, {});
    counting_ = -1;
    ImageStatus status;
    // The file's thumbnail stands in while the preview decodes; a preloaded
    // preview needs none (a HEIC's costs a decode of its own).
    auto image = openImageFile(currentPath_, status, !previews_.holds(currentPath_));
    view_.setText(ids::FilePath, displayPath(currentPath_));
    view_.setText(ids::Position, formatString(IDS_POSITION, position_ + 1, list_.count()));
    filmstrip_.setCurrent(position_);
    if (status != ImageStatus::Ok) {
        filmstrip_.openFailed(position_);
        showFailedOpen(status);
        return;
    }
    image_ = std::move(image);
    const MetadataFields fields = readMetadata(*image_);
    seen_ = fields;
    for (const int id : fieldIds)
        view_.setByteLimit(id, fieldLimit());
    // An empty Exif tag shows the copy other programs show; shown so, a field
    // counts as unchanged and is not written unless the person edits it.
    for (int i = 0; i < 3; ++i) {
        // With "don't load artist & copyright" the texts on screen carry over.
        if (i == 0 || !options_.noLoadCopyR)
            showField(i, readingOf(fields, image_->copies(), i));
        else
            markField(i, {});
    }
    clearChangeMarks();
    filmstrip_.opened(position_, !view_.text(ids::Description).isEmpty());
    updateButtons();
    offerFolderCaption(view_.text(ids::Description));
    if (options_.autoSel)
        view_.focus(ids::Description, true);
    view_.repaintPreview();
    // The neighbours are decoded while the person looks at this one.
    std::vector<QByteArray> neighbours;
    if (position_ + 1 < list_.count())
        neighbours.push_back(list_.at(position_ + 1));
    if (position_ > 0)
        neighbours.push_back(list_.at(position_ - 1));
    previews_.preload(currentPath_, neighbours);
}

void EditorController::showFailedOpen(ImageStatus status)
{
    // The screen shows the file that failed, at its place in the list, with
    // no image and none of another image's texts.
    for (int i = 0; i < 3; ++i) {
        if (i == 0 || !options_.noLoadCopyR)
            setField(i, {});
        markField(i, {});
    }
    clearChangeMarks();
    updateButtons();
    view_.repaintPreview();
    prompt_.showMessage(statusMessage(IDS_LOAD_ERROR, statusNumber(status), displayPath(currentPath_)));
}

bool EditorController::releaseImage()
{
    if (image_) {
        if (state() == State::Edited) {
            const UserPrompt::Answer answer = options_.autoSave ? UserPrompt::Answer::Yes : prompt_.askYesNoCancel(loadString(IDS_SAVE_CHANGES));
            // Cancel: nothing is saved or dropped, and the step that wanted the
            // release does not happen.
            if (answer == UserPrompt::Answer::Cancel)
                return false;
            if (answer == UserPrompt::Answer::Yes) {
                const bool automatic = options_.autoSave;
                pullValues(false);
                // A save that fails keeps the image and what was typed; the
                // step that wanted the release does not go on.
                if (!(automatic ? saveAutomatically() : saveCurrentImage()))
                    return false;
            }
        }
        image_.reset();
    }
    clearChangeMarks();
    updateButtons();
    view_.repaintPreview();
    return true;
}

bool EditorController::saveCurrentImage()
{
    ImageStatus status = ImageStatus::Ok;
    if (writeCurrentImage(status))
        return true;
    if (status != ImageStatus::Ok)
        prompt_.showMessage(statusMessage(IDS_SAVE_ERROR, statusNumber(status), displayPath(currentPath_)));
    return false;
}

bool EditorController::saveAutomatically()
{
    // A failed automatic save asks what to do, as the next step would only
    // fail again: save again, drop the changes (No) so that the picture and
    // the program can be left, or stay (Cancel).
    for (;;) {
        ImageStatus status = ImageStatus::Ok;
        if (writeCurrentImage(status))
            return true;
        if (status == ImageStatus::Ok)
            return false;
        const UserPrompt::Answer answer
            = prompt_.askYesNoCancel(statusMessage(IDS_SAVE_ERROR_AGAIN, statusNumber(status), displayPath(currentPath_)));
        if (answer != UserPrompt::Answer::Yes)
            return answer == UserPrompt::Answer::No;
    }
}

bool EditorController::writeCurrentImage(ImageStatus &status)
{
    if (!image_ || position_ < 0 || position_ >= list_.count())
        return true;
    WaitCursor wait(prompt_);
    if (!takeChangesOnDisk())
        return false;
    // The texts as the fields show them now, also when a long field stopped
    // the last pass: nothing typed is left out. Only the fields the user
    // changed are written; with "don't load artist & copyright" those two
    // whenever they are not empty, as an empty one leaves each picture its
    // own. Every other tag keeps what the file holds at the save.
    const MetadataFields fields{fieldBytes(0), fieldBytes(1), fieldBytes(2)};
    const auto written = [&](int i) { return options_.noLoadCopyR ? !(fields.*fieldMembers[i]).isEmpty() : changed_[static_cast<std::size_t>(i)]; };
    const FieldSelection which{changed_[0], written(1), written(2)};
    int cutIndex = -1;
    for (int i = 0; i < 3 && cutIndex < 0; ++i) {
        if (written(i) && iptcOverflow(i) > 0)
            cutIndex = i;
    }
    const int cutTo = cutIndex < 0 ? 0 : iptcOverflow(cutIndex);
    previews_.forget(currentPath_); // the save changes the file: decoded again after it
    image_->discardEdits();
    writeMetadata(*image_, fields, which, options_.removeAllExif, options_.allCopies);
    status = saveImageFile(*image_, currentPath_);
    image_->discardEdits();
    if (status != ImageStatus::Ok) {
        filmstrip_.saveFailed(position_);
        return false;
    }
    filmstrip_.saved(position_, !view_.text(ids::Description).isEmpty());
    reportUntouchedCopies();
    rememberSaved(which);
    if (cutIndex >= 0) {
        const QString name = loadString(plainLabels[cutIndex]).chopped(1).toLower();
        view_.setText(ids::Status, formatString(IDS_IPTC_CUT, name.toUtf8().constData(), cutTo));
        keepStatus_ = true;
    }
    clearChangeMarks();
    image_.reset();
    updateButtons();
    return true;
}

void EditorController::reportUntouchedCopies()
{
    // The save went ahead, but a copy it could not parse still holds the old
    // text: said once, as the note beside the field cannot show a copy that
    // cannot be read.
    const std::vector<QByteArray> &untouched = image_->untouchedCopies();
    if (untouched.empty())
        return;
    QByteArray names;
    for (const QByteArray &where : untouched)
        names += (names.isEmpty() ? "" : ", ") + where;
    prompt_.showMessage(formatString(IDS_COPIES_UNTOUCHED, displayPath(currentPath_).toUtf8().constData(), names.constData()));
}

bool EditorController::takeChangesOnDisk()
{
    // Another program may have changed the tags while the image was open.
    // A field the user did not touch shows the file's new text; a field the
    // user changed is written over the other program's change only when the
    // user says so. A file that cannot be read now is left to the save to
    // report.
    ImageStatus status;
    const auto now = openImageFile(currentPath_, status);
    if (status != ImageStatus::Ok)
        return true;
    const MetadataFields disk = readMetadata(*now);
    const auto changedOnDisk = [&](int i) {
        // With "don't load artist & copyright" those two are written from the
        // window and never read from the file.
        return (i == 0 || !options_.noLoadCopyR) && disk.*fieldMembers[i] != seen_.*fieldMembers[i];
    };
    // Untouched fields first, so they show the file's text even when the
    // save stops at a question.
    for (int i = 0; i < 3; ++i) {
        if (changedOnDisk(i) && !changed_[static_cast<std::size_t>(i)]) {
            showField(i, readingOf(disk, now->copies(), i));
            seen_.*fieldMembers[i] = disk.*fieldMembers[i];
        }
    }
    for (int i = 0; i < 3; ++i) {
        if (!changedOnDisk(i))
            continue;
        if (fieldBytes(i) != disk.*fieldMembers[i]) {
            const QString name = loadString(plainLabels[i]).chopped(1);
            if (!prompt_.askYesNo(formatString(IDS_CHANGED_ON_DISK, name.toUtf8().constData(), displayPath(currentPath_).toUtf8().constData())))
                return false; // asked again at the next save
        }
        seen_.*fieldMembers[i] = disk.*fieldMembers[i];
    }
    return true;
}

void EditorController::updateButtons()
{
    const int count = list_.count();
    view_.setEnabled(ids::Previous, position_ > 0 && count > 0);
    view_.setEnabled(ids::Next, position_ < count - 1);
    view_.setEnabled(ids::Save, image_ != nullptr);
}

} // namespace lumicap
