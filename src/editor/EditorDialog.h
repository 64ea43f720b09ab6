#pragma once

#include "editor/EditorController.h"
#include "editor/EditorView.h"
#include "widgets/ResizableDialog.h"

#include <QHash>

#include <functional>

class QAbstractButton;
class QAction;
class QLabel;

namespace lumicap {

class CaptionEdit;
class CompletionList;
class Filmstrip;
class FolderBrowseEdit;
class PreviewFrame;
class TypingLimit;
class UserPrompt;

// The main window: the folder, the options, the three fields, navigation
// and the preview. Commands go to EditorController; this class only shows.
class EditorDialog : public ResizableDialog, public EditorView
{
    Q_OBJECT

public:
    explicit EditorDialog(UserPrompt &prompt, QWidget *parent = nullptr);

    EditorController &controller() { return controller_; }
    FolderBrowseEdit *folderEdit() const { return folderEdit_; }
    PreviewFrame *preview() const { return preview_; }
    Filmstrip *filmstrip() const { return filmstrip_; }
    // Shows or hides the filmstrip below the preview; the preview takes the
    // room of a hidden one.
    void showFilmstrip(bool shown);
    QWidget *control(int id) const { return controls_.value(id); }

    // The windows this one opens; set by the application.
    std::function<void()> openBatch;
    // Replace... and Apply to all...: windows over the folder's pictures.
    std::function<void()> openReplace;
    std::function<void()> openApplyToAll;
    std::function<void()> openHelp;
    std::function<void()> openAbout;
    // Runs once the window is up (after the tooltips are registered).
    std::function<void()> onStarted;
    // A folder or picture to start on once the window is up (from the
    // command line); nothing when empty.
    QString startPath;

    using ResizableDialog::setEnabled;
    using ResizableDialog::setToolTip;
    using ResizableDialog::setVisible;

    // EditorView
    QString text(int id) const override;
    void setText(int id, const QString &text) override;
    bool isChecked(int id) const override;
    void setChecked(int id, bool checked) override;
    void setEnabled(int id, bool enabled) override;
    void setVisible(int id, bool visible) override;
    void setToolTip(int id, const QString &text) override;
    void focus(int id, bool selectAll) override;
    void repaintPreview() override;
    void setByteLimit(int id, qsizetype bytes) override;
    void setCompletions(int id, const QStringList &texts) override;

public Q_SLOTS:
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray &eventType, void *message, qintptr *result) override;
#endif

private:
    void createControls();
    void connectCommands();
    void registerAnchors();
    void createFilmstrip();
    void deferredStartup();
    void runBatch();
    // Opens a window that saves pictures of the folder: the current one is
    // let go first and shown again after, as the window left it.
    void runFolderWindow(const std::function<void()> &open);
    void addAboutToSystemMenu();
    QAbstractButton *button(int id) const;
    QLabel *label(int id) const;

    EditorController controller_;
    QHash<int, QWidget *> controls_;
    QHash<int, TypingLimit *> limits_;
    QHash<int, CompletionList *> completions_;
    CaptionEdit *description_ = nullptr;
    FolderBrowseEdit *folderEdit_ = nullptr;
    PreviewFrame *preview_ = nullptr;
    Filmstrip *filmstrip_ = nullptr;
    QAction *filmstripAction_ = nullptr;
    QAction *undoAction_ = nullptr;
    // The filmstrip has its room below the preview.
    bool filmstripPlaced_ = false;
    bool started_ = false;
    bool closing_ = false;
};

} // namespace lumicap
