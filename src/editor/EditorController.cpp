#include "EditorController.h"

#include "ControlIds.h"
#include "EditorView.h"
#include "MetadataReader.h"
#include "MetadataWriter.h"
#include "SafeSave.h"
#include "StringTable.h"
#include "TextEncoding.h"
#include "UserPrompt.h"

#include <QFile>

namespace lumicap {

namespace {
constexpr int fieldIds[3] = {ids::Description, ids::Artist, ids::Copyright};
constexpr int labelIds[3] = {ids::DescriptionLabel, ids::ArtistLabel, ids::CopyrightLabel};
constexpr int plainLabels[3] = {IDS_DESCRIPTION, IDS_ARTIST, IDS_COPYRIGHT};
constexpr int markedLabels[3] = {IDS_DESCRIPTION_CHANGED, IDS_ARTIST_CHANGED, IDS_COPYRIGHT_CHANGED};
} // namespace

EditorController::EditorController(EditorView &view, UserPrompt &prompt)
    : view_(view)
    , prompt_(prompt)
{
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
    view_.setText(ids::Folder, options_.imgFolder);
    view_.setChecked(ids::AutoSel, options_.autoSel);
    view_.setChecked(ids::RemoveAllExif, options_.removeAllExif);
    view_.setChecked(ids::NoLoadCopyR, options_.noLoadCopyR);
    view_.setChecked(ids::AutoSave, options_.autoSave);
    clearChangeMarks();
    UpdateButtons();
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
    if (i < 0)
        return;
    if (!changed_[static_cast<std::size_t>(i)])
        view_.setText(labelIds[i], loadString(markedLabels[i]));
    changed_[static_cast<std::size_t>(i)] = true;
}

void EditorController::clearChangeMarks()
{
    for (int i = 0; i < 3; ++i) {
        changed_[static_cast<std::size_t>(i)] = false;
        view_.setText(labelIds[i], loadString(plainLabels[i]));
    }
}

void EditorController::setField(int index, const QByteArray &bytes)
{
    original_[static_cast<std::size_t>(index)] = bytes;
    view_.setText(fieldIds[index], displayText(bytes));
}

QByteArray EditorController::fieldBytes(int index) const
{
    return storedBytes(view_.text(fieldIds[index]), original_[static_cast<std::size_t>(index)]);
}

bool EditorController::failLength(int id)
{
    prompt_.showMessage(formatString(IDS_TOO_LONG, maxFieldLength));
    view_.focus(id, true);
    return false;
}

bool EditorController::PullValues(bool folderChecks)
{
    options_.imgFolder = view_.text(ids::Folder);
    if (view_.text(ids::Description).size() > maxFieldLength)
        return failLength(ids::Description);
    options_.autoSel = view_.isChecked(ids::AutoSel);
    options_.removeAllExif = view_.isChecked(ids::RemoveAllExif);
    if (view_.text(ids::Artist).size() > maxFieldLength)
        return failLength(ids::Artist);
    if (view_.text(ids::Copyright).size() > maxFieldLength)
        return failLength(ids::Copyright);
    options_.noLoadCopyR = view_.isChecked(ids::NoLoadCopyR);
    options_.autoSave = view_.isChecked(ids::AutoSave);

    if (folderChecks) {
        const FolderCheck check = checkFolder(QFile::encodeName(options_.imgFolder));
        if (check != FolderCheck::Ok) {
            prompt_.showMessage(loadString(check == FolderCheck::Empty ? IDS_FOLDER_EMPTY : IDS_FOLDER_MISSING));
            view_.focus(ids::Folder, false);
            return false;
        }
    }
    options_.save();
    return true;
}

void EditorController::start()
{
    if (!PullValues(true))
        return;
    std::vector<QByteArray> found;
    {
        WaitCursor wait(prompt_);
        found = ImageList::listImages(QFile::encodeName(options_.imgFolder));
    }
    // A folder without images changes nothing: the list, the position and
    // the image on screen (with its edits) stay as they were.
    if (found.empty()) {
        prompt_.showMessage(loadString(IDS_NO_IMAGES));
        return;
    }
    if (!ReleaseImage())
        return;
    list_.assign(std::move(found));
    position_ = 0;
    OpenCurrentImage();
}

void EditorController::previous()
{
    PullValues(false);
    if (position_ > 0 && ReleaseImage()) {
        --position_;
        OpenCurrentImage();
    }
}

void EditorController::next()
{
    PullValues(false);
    if (position_ < list_.count() - 1 && ReleaseImage()) {
        ++position_;
        OpenCurrentImage();
    }
}

void EditorController::saveCommand()
{
    PullValues(false);
    if (SaveCurrentImage())
        OpenCurrentImage();
}

bool EditorController::releaseForBatch()
{
    return ReleaseImage();
}

bool EditorController::close()
{
    if (!ReleaseImage())
        return false;
    PullValues(false);
    options_.save(); // also when the pass stopped at a long field
    return true;
}

void EditorController::autoSelClicked(bool on)
{
    options_.autoSel = on;
    EditorSettings::saveAutoSel(on);
}

void EditorController::OpenCurrentImage()
{
    if (position_ < 0 || position_ >= list_.count())
        return;
    WaitCursor wait(prompt_);
    if (!ReleaseImage())
        return;
    currentPath_ = list_.at(position_);
    ImageStatus status;
    auto image = OpenImageFile(currentPath_, status);
    if (status != ImageStatus::Ok) {
        prompt_.showMessage(formatString(IDS_LOAD_ERROR, statusNumber(status), displayText(currentPath_).toUtf8().constData()));
        return;
    }
    image_ = std::move(image);
    view_.setText(ids::FilePath, displayText(currentPath_));
    view_.setText(ids::Position, formatString(IDS_POSITION, position_ + 1, list_.count()));
    const MetadataFields fields = ReadMetadata(*image_);
    setField(0, fields.description);
    // With "don't load artist & copyright" the texts on screen carry over.
    if (!options_.noLoadCopyR) {
        setField(1, fields.artist);
        setField(2, fields.copyright);
    }
    clearChangeMarks();
    UpdateButtons();
    if (options_.autoSel)
        view_.focus(ids::Description, true);
    view_.repaintPreview();
}

bool EditorController::ReleaseImage()
{
    if (image_) {
        if (state() == State::Edited) {
            const bool save = options_.autoSave || prompt_.askYesNo(loadString(IDS_SAVE_CHANGES));
            if (save) {
                PullValues(false);
                // A save that fails keeps the image and what was typed; the
                // step that wanted the release does not go on.
                if (!SaveCurrentImage())
                    return false;
            }
        }
        image_.reset();
    }
    clearChangeMarks();
    UpdateButtons();
    view_.repaintPreview();
    return true;
}

bool EditorController::SaveCurrentImage()
{
    if (!image_ || position_ < 0 || position_ >= list_.count())
        return true;
    WaitCursor wait(prompt_);
    // The texts as the fields show them now, also when a long field stopped
    // the last pass: nothing typed is left out.
    const MetadataFields fields{fieldBytes(0), fieldBytes(1), fieldBytes(2)};
    image_->discardEdits();
    WriteMetadata(*image_, fields, options_.removeAllExif);
    const ImageStatus status = SaveImageFile(*image_, currentPath_);
    image_->discardEdits();
    if (status != ImageStatus::Ok) {
        prompt_.showMessage(formatString(IDS_SAVE_ERROR, statusNumber(status), displayText(currentPath_).toUtf8().constData()));
        return false;
    }
    clearChangeMarks();
    image_.reset();
    UpdateButtons();
    return true;
}

void EditorController::UpdateButtons()
{
    const int count = list_.count();
    view_.setEnabled(ids::Previous, position_ > 0 && count > 0);
    view_.setEnabled(ids::Next, position_ < count - 1);
    view_.setEnabled(ids::Save, image_ != nullptr);
}

} // namespace lumicap
