#pragma once

#include "editor/EditorSettings.h"
#include "metadata/FieldReading.h"
#include "editor/FilmstripModel.h"
#include "imaging/ImageHolder.h"
#include "metadata/ImageList.h"
#include "metadata/MetadataFields.h"
#include "editor/PreviewCache.h"

#include <QByteArray>
#include <QStringList>

#include <array>
#include <memory>

namespace lumicap {

class EditorView;
class UserPrompt;

// The editor's logic: the image list and position, the current image, the
// change marks and the options, and the commands that move between them.
// The window forwards its commands here and shows what this sets through
// EditorView.
class EditorController
{
public:
    enum class State { Idle, Clean, Edited };
    // Texts offered from earlier saves, per field.
    static constexpr int historySize = 50;

    EditorController(EditorView &view, UserPrompt &prompt);
    ~EditorController();

    // Reads the settings and fills the controls.
    void initialise();

    // Scans the folder field's folder and shows its first image, or the
    // image of that file name when the folder has one.
    void start(const QByteArray &showName = {});
    // Starts on a folder, or on a picture's folder with that picture shown,
    // as given on the command line.
    void openPath(const QString &path);
    void previous();
    void next();
    // Opens the picture at index through the same steps as PageUp and
    // PageDown: the pass over the fields, the save question, the open.
    void goTo(int index);
    void saveCommand();
    // Puts back what the last save of the current picture replaced (after
    // the question about unsaved changes), and shows the picture again.
    void undoLastSave();
    // Enter in a field: saves the picture when changed, then shows the next
    // one (step 1) or the previous one (step -1). At the end of the list it
    // stays, with a note; a failed save stays with the text as typed.
    void saveAndGo(int step);
    // A typed or pasted text that did not fit into a field.
    void refused(int id, qsizetype excess);
    // Takes a text out of a field's history of saved texts.
    void forgetCompletion(int id, const QString &text);
    // Releases the image before the batch window opens; false when an
    // unsaved change could not be saved, and the batch must not open.
    bool releaseForBatch();
    // After the batch window: the picture it released is shown again, as the
    // batch may have left it.
    void afterBatch();
    // The closing steps; false when the window must stay open because an
    // unsaved change could not be saved.
    bool close();
    void autoSelClicked(bool on);
    // Shows or hides the filmstrip, remembered at once.
    void setFilmstripShown(bool on);
    // Every change of a field's text, typed or set.
    void fieldChanged(int id);

    State state() const;
    int position() const { return position_; }
    const ImageList &imageList() const { return list_; }
    ImageHolder *currentImage() const { return image_.get(); }
    const QByteArray &currentPath() const { return currentPath_; }
    const EditorSettings &options() const { return options_; }
    PreviewCache &previews() { return previews_; }
    FilmstripModel &filmstrip() { return filmstrip_; }
    bool isChanged(int id) const;

    // Takes the controls' values into the options; with folder checks, stops
    // at a bad folder, after saying so. Writes the settings when it gets
    // through.
    bool pullValues(bool folderChecks);
    void openCurrentImage();
    bool releaseImage();
    bool saveCurrentImage();
    void updateButtons();

private:
    static int fieldIndex(int id);
    void setField(int index, const QByteArray &bytes);
    // Fills a field with its Exif text, or a copy's when that is empty, and
    // marks where the text came from and which copies say otherwise.
    void showField(int index, const FieldReading &reading);
    void markField(int index, const FieldReading &reading);
    void reportUntouchedCopies();
    QByteArray fieldBytes(int index) const;
    void clearChangeMarks();
    qsizetype fieldLimit() const;
    // Whether a save writes the field's IPTC copy, which holds only so many bytes.
    bool hasIptcCopy(int index) const;
    // The IPTC byte limit a field's text passes; 0 when it fits or has no copy.
    int iptcOverflow(int index) const;
    void showIptcCounter(int index);
    // The artist and copyright just written go first in their histories.
    void rememberSaved(const FieldSelection &written);
    // A caption of this folder goes into the description's completions: first
    // when seen or saved here, after those when read in the background.
    void offerFolderCaption(const QString &text, bool first = true);
    void showFailedOpen(ImageStatus status);
    // The save itself; false with status Ok when it stopped at a question.
    bool writeCurrentImage(ImageStatus &status);
    bool saveAutomatically();
    bool takeChangesOnDisk();

    EditorView &view_;
    UserPrompt &prompt_;
    EditorSettings options_;
    EditorSettings saved_; // as last written
    ImageList list_;
    int position_ = 0;
    std::unique_ptr<ImageHolder> image_;
    QByteArray currentPath_;
    std::array<bool, 3> changed_{};
    // Each field's text as the program filled it, or as it stood when the
    // marks were last cleared; a field that shows it again is unchanged.
    std::array<QString, 3> shown_;
    // The bytes each field was last filled with; a field that still shows
    // them unchanged is written back as exactly these bytes.
    std::array<QByteArray, 3> original_;
    // Artist and copyright texts of earlier saves, most recent first.
    std::array<QStringList, 3> history_;
    // The captions read or saved in this folder, offered in the description.
    QStringList folderCaptions_;
    QByteArray shownFolder_;
    // The field whose IPTC counter the status line shows; -1 for none.
    int counting_ = -1;
    // Set by a save whose note must outlive the reopening after it.
    bool keepStatus_ = false;
    // The three tags as the file held them when the image was opened (or last
    // compared); a save tells another program's changes by them.
    MetadataFields seen_;
    PreviewCache previews_;
    FilmstripModel filmstrip_;
    // Set while the program fills a field, which is no change by the user.
    bool filling_ = false;
};

} // namespace lumicap
