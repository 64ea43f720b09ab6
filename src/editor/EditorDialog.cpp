#include "editor/EditorDialog.h"

#include "widgets/AppIcon.h"
#include "widgets/BrowseEdit.h"
#include "widgets/CaptionEdit.h"
#include "widgets/CompletionList.h"
#include "resources/ControlIds.h"
#include "widgets/DialogBuilder.h"
#include "resources/DialogTemplates.h"
#include "editor/EditorSettings.h"
#include "editor/Filmstrip.h"
#include "editor/PreviewFrame.h"
#include "widgets/SpellCheck.h"
#include "resources/StringTable.h"
#include "widgets/ToolTipText.h"
#include "widgets/TypingLimit.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QStyle>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace lumicap {

namespace {
#ifdef Q_OS_WIN
// The system menu's "About Lumicap..." command: below the system's own
// (0xF000 and up), its low four bits clear as Windows wants.
constexpr UINT aboutCommand = 0x0010;
#endif

// The mark beside a field whose copies disagree: a small warning sign; its
// tooltip says what the other copies hold.
QWidget *makeNote(QWidget *parent)
{
    auto *note = new QLabel(parent);
    note->setScaledContents(true);
    note->setPixmap(note->style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    note->setAccessibleName(loadString(IDS_COPIES_DIFFER));
    return note;
}
} // namespace

EditorDialog::EditorDialog(UserPrompt &prompt, QWidget *parent)
    : ResizableDialog(parent)
    , controller_(*this, prompt)
{
    createControls();
    controller_.initialise();
    finishInitialisation();
    folderEdit_->attach();
    createFilmstrip();
    connectCommands();
    // Where the person left it; Qt moves it onto a screen that still shows it.
    restoreGeometry(EditorSettings::loadPlacement());
}

void EditorDialog::createControls()
{
    DialogBuilder builder(editorTemplate());
    builder.make(ids::Folder, [this](QWidget *parent) { return folderEdit_ = new FolderBrowseEdit(parent); })
        .make(ids::Preview, [this](QWidget *parent) { return preview_ = new PreviewFrame(parent); })
        .make(ids::Description, [this](QWidget *parent) { return description_ = new CaptionEdit(parent); });
    for (const int id : {ids::DescriptionNote, ids::ArtistNote, ids::CopyrightNote})
        builder.make(id, [](QWidget *parent) { return makeNote(parent); });
    controls_ = builder.build(this);
    setWindowIcon(appIcon());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    preview_->setSource([this] { return controller_.currentImage(); });
    preview_->setCache(&controller_.previews());
    // Typing is limited to what the picture holds; text read from a file is
    // shown whole.
    for (const int id : {ids::Artist, ids::Copyright}) {
        auto *edit = static_cast<QLineEdit *>(control(id));
        auto *limit = new TypingLimit(edit, jpegFieldBytes);
        limits_.insert(id, limit);
        connect(limit, &TypingLimit::refused, this, [this, id](qsizetype excess) { controller_.refused(id, excess); });
        completions_.insert(id, new CompletionList(edit));
        edit->installEventFilter(this);
    }
    description_->installEventFilter(this);
    connect(description_, &CaptionEdit::refused, this, [this](qsizetype excess) { controller_.refused(ids::Description, excess); });
    description_->setSpellCheck(new SpellCheck(description_->document()));
    auto *status = label(ids::Status);
    status->setWordWrap(false);
    status->setTextInteractionFlags(Qt::TextSelectableByMouse);
}

QLabel *EditorDialog::label(int id) const
{
    return qobject_cast<QLabel *>(control(id));
}

bool EditorDialog::eventFilter(QObject *watched, QEvent *event)
{
    // Enter in the artist or copyright field saves and goes on, as in the
    // description; in the folder field it stays Start.
    if (event->type() == QEvent::ShortcutOverride && undoAction_ && static_cast<QKeyEvent *>(event)->keyCombination() == undoAction_->shortcut()[0])
        return true; // left unaccepted: the window's shortcut runs
    if (event->type() == QEvent::KeyPress && (watched == control(ids::Artist) || watched == control(ids::Copyright))) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && !(key->modifiers() & Qt::ControlModifier)) {
            controller_.saveAndGo(1);
            return true;
        }
    }
    return ResizableDialog::eventFilter(watched, event);
}

void EditorDialog::createFilmstrip()
{
    filmstrip_ = new Filmstrip(controller_.filmstrip(), this);
    filmstrip_->setVisible(false);
    connect(filmstrip_, &Filmstrip::picked, this, [this](int index) { controller_.goTo(index); });
    // Hidden and shown again from the preview's and the strip's context menu,
    // or by its key anywhere in the window.
    filmstripAction_ = new QAction(loadString(IDS_STRIP_SHOW), this);
    filmstripAction_->setCheckable(true);
    filmstripAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    for (QWidget *w : {static_cast<QWidget *>(preview_), static_cast<QWidget *>(filmstrip_)}) {
        w->setContextMenuPolicy(Qt::ActionsContextMenu);
        w->addAction(filmstripAction_);
    }
    addAction(filmstripAction_);
    // Undo of the last save sits beside it, with its key anywhere in the
    // window: the text fields give up their own redo key for it.
    undoAction_ = new QAction(loadString(IDS_UNDO_LAST_SAVE), this);
    undoAction_->setObjectName("undoLastSave");
    undoAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    preview_->addAction(undoAction_);
    addAction(undoAction_);
    connect(undoAction_, &QAction::triggered, this, [this] { controller_.undoLastSave(); });
    const bool shown = controller_.options().filmstrip;
    filmstripAction_->setChecked(shown);
    showFilmstrip(shown);
    connect(filmstripAction_, &QAction::toggled, this, [this](bool on) {
        showFilmstrip(on);
        controller_.setFilmstripShown(on);
    });
}

void EditorDialog::showFilmstrip(bool shown)
{
    // The preview's room as the window template gives it, the strip's band
    // at its bottom.
    QRect room = preview_->geometry();
    if (filmstripPlaced_)
        room.setBottom(filmstrip_->geometry().bottom());
    const int height = filmstrip_->stripHeight();
    filmstrip_->setGeometry(room.left(), room.bottom() + 1 - height, room.width(), height);
    if (shown)
        room.setBottom(room.bottom() - height - 2);
    preview_->setGeometry(room);
    filmstrip_->setVisible(shown);
    filmstripPlaced_ = shown;
    if (filmstripAction_->isChecked() != shown)
        filmstripAction_->setChecked(shown);
    removeAllAnchors();
    registerAnchors();
}

void EditorDialog::registerAnchors()
{
    // The description takes a fifth of the window's growth in height; the
    // fields below it move down with it, and the preview takes the rest.
    constexpr Anchor below{0, 20};
    constexpr Anchor belowRight{100, 20};
    for (const int id : {ids::Folder, ids::Position, ids::Separator, ids::FilePath})
        addAnchor(control(id), anchors::TopLeft, anchors::TopRight);
    addAnchor(description_, anchors::TopLeft, belowRight);
    for (const int id : {ids::Artist, ids::Copyright})
        addAnchor(control(id), below, belowRight);
    for (const int id : {ids::ArtistLabel, ids::CopyrightLabel})
        addAnchor(control(id), below, below);
    for (const int id : {ids::ArtistNote, ids::CopyrightNote})
        addAnchor(control(id), belowRight, belowRight);
    addAnchor(preview_, below, anchors::BottomRight);
    addAnchor(control(ids::Status), anchors::BottomLeft, anchors::BottomRight);
    addAnchor(filmstrip_, anchors::BottomLeft, anchors::BottomRight);
    for (const int id : {ids::Start, ids::Cancel, ids::Previous, ids::Next, ids::Save, ids::Batch, ids::Replace, ids::ApplyToAll, ids::Help,
                         ids::About, ids::DescriptionNote})
        addAnchor(control(id), anchors::TopRight, anchors::TopRight);
    if (folderEdit_->button())
        addAnchor(folderEdit_->button(), anchors::TopRight, anchors::TopRight);
}

QAbstractButton *EditorDialog::button(int id) const
{
    return qobject_cast<QAbstractButton *>(control(id));
}

void EditorDialog::connectCommands()
{
    connect(button(ids::Start), &QAbstractButton::clicked, this, [this] { controller_.start(); });
    connect(button(ids::Cancel), &QAbstractButton::clicked, this, &EditorDialog::reject);
    connect(button(ids::Previous), &QAbstractButton::clicked, this, [this] { controller_.previous(); });
    connect(button(ids::Next), &QAbstractButton::clicked, this, [this] { controller_.next(); });
    connect(button(ids::Save), &QAbstractButton::clicked, this, [this] { controller_.saveCommand(); });
    connect(button(ids::Batch), &QAbstractButton::clicked, this, &EditorDialog::runBatch);
    connect(button(ids::Replace), &QAbstractButton::clicked, this, [this] { runFolderWindow(openReplace); });
    connect(button(ids::ApplyToAll), &QAbstractButton::clicked, this, [this] { runFolderWindow(openApplyToAll); });
    connect(button(ids::Help), &QAbstractButton::clicked, this, [this] {
        if (openHelp)
            openHelp();
    });
    connect(button(ids::About), &QAbstractButton::clicked, this, [this] {
        if (openAbout)
            openAbout();
    });
    connect(button(ids::AutoSel), &QAbstractButton::clicked, this, [this](bool on) { controller_.autoSelClicked(on); });
    connect(description_, &QPlainTextEdit::textChanged, this, [this] { controller_.fieldChanged(ids::Description); });
    for (const int id : {ids::Artist, ids::Copyright})
        connect(static_cast<QLineEdit *>(control(id)), &QLineEdit::textChanged, this, [this, id] { controller_.fieldChanged(id); });
    connect(description_, &CaptionEdit::submitted, this, [this] { controller_.saveAndGo(1); });
    for (const auto &[id, forget] : completions_.asKeyValueRange())
        connect(forget, &CompletionList::forget, this, [this, id = id](const QString &text) { controller_.forgetCompletion(id, text); });

    // Shortcuts run their commands even when the button is disabled.
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), this, [this] { controller_.saveCommand(); });
    new QShortcut(QKeySequence(Qt::Key_PageDown), this, [this] { controller_.next(); });
    new QShortcut(QKeySequence(Qt::Key_PageUp), this, [this] { controller_.previous(); });
    for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
        new QShortcut(QKeySequence(Qt::CTRL | key), this, [this] { controller_.saveAndGo(1); });
        new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | key), this, [this] { controller_.saveAndGo(-1); });
    }
}

void EditorDialog::showEvent(QShowEvent *event)
{
    ResizableDialog::showEvent(event);
    if (!started_) {
        started_ = true;
        addAboutToSystemMenu();
        QMetaObject::invokeMethod(this, &EditorDialog::deferredStartup, Qt::QueuedConnection);
    }
}

// On Windows the system menu (the window's icon, Alt+Space) also opens the
// About box, after a separator; elsewhere there is no such menu to extend.
void EditorDialog::addAboutToSystemMenu()
{
#ifdef Q_OS_WIN
    if (HMENU menu = ::GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE)) {
        ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(menu, MF_STRING, aboutCommand, reinterpret_cast<const wchar_t *>(loadString(IDS_ABOUTBOX).utf16()));
    }
#endif
}

#ifdef Q_OS_WIN
bool EditorDialog::nativeEvent(const QByteArray &eventType, void *message, qintptr *result)
{
    const auto *msg = static_cast<const MSG *>(message);
    if (eventType == "windows_generic_MSG" && msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == aboutCommand) {
        // Opened once the menu has closed, not inside its message.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (openAbout)
                    openAbout();
            },
            Qt::QueuedConnection);
        *result = 0;
        return true;
    }
    return ResizableDialog::nativeEvent(eventType, message, result);
}
#endif

void EditorDialog::deferredStartup()
{
    static const std::pair<int, int> tips[] = {
        {ids::Folder, IDS_TIP_FOLDER},
        {ids::AutoSel, IDS_TIP_AUTOSEL},
        {ids::RemoveAllExif, IDS_TIP_REMOVE_ALL},
        {ids::AutoSave, IDS_TIP_AUTOSAVE},
        {ids::NoLoadCopyR, IDS_TIP_NO_LOAD_COPYRIGHT},
        {ids::AllCopies, IDS_TIP_ALL_COPIES},
        {ids::Description, IDS_TIP_DESCRIPTION},
        {ids::Artist, IDS_TIP_ARTIST},
        {ids::Copyright, IDS_TIP_COPYRIGHT},
        {ids::Start, IDS_TIP_START},
        {ids::Previous, IDS_TIP_PREVIOUS},
        {ids::Next, IDS_TIP_NEXT},
        {ids::Save, IDS_TIP_SAVE},
    };
    for (const auto &[id, string] : tips)
        control(id)->setToolTip(wrappedToolTip(loadString(string)));
    if (onStarted)
        onStarted();
    if (!startPath.isEmpty())
        controller_.openPath(startPath);
}

void EditorDialog::runBatch()
{
    if (!controller_.releaseForBatch())
        return;
    if (openBatch)
        openBatch();
    controller_.afterBatch();
}

void EditorDialog::runFolderWindow(const std::function<void()> &open)
{
    if (!controller_.releaseForBatch())
        return;
    if (open)
        open();
    controller_.afterBatch();
}

void EditorDialog::reject()
{
    // Exit, Escape and the close box: a change that cannot be saved keeps the
    // window open.
    if (!closing_ && !controller_.close())
        return;
    if (!closing_)
        EditorSettings::savePlacement(saveGeometry());
    closing_ = true;
    ResizableDialog::reject();
}

QString EditorDialog::text(int id) const
{
    if (id == ids::Description)
        return description_->toPlainText();
    if (auto *edit = qobject_cast<QLineEdit *>(control(id)))
        return edit->text();
    if (auto *label = qobject_cast<QLabel *>(control(id)))
        return label->text();
    return {};
}

void EditorDialog::setText(int id, const QString &text)
{
    if (id == ids::Description) {
        description_->setPlainText(text);
    } else if (auto *edit = qobject_cast<QLineEdit *>(control(id))) {
        if (TypingLimit *limit = limits_.value(id))
            limit->allowText(text);
        edit->setText(text);
        edit->setCursorPosition(0);
    } else if (auto *label = qobject_cast<QLabel *>(control(id))) {
        label->setText(text);
    }
}

bool EditorDialog::isChecked(int id) const
{
    auto *box = qobject_cast<QAbstractButton *>(control(id));
    return box && box->isChecked();
}

void EditorDialog::setChecked(int id, bool checked)
{
    if (auto *box = qobject_cast<QAbstractButton *>(control(id)))
        box->setChecked(checked);
}

void EditorDialog::setEnabled(int id, bool enabled)
{
    if (QWidget *w = control(id))
        w->setEnabled(enabled);
}

void EditorDialog::setVisible(int id, bool visible)
{
    if (QWidget *w = control(id))
        w->setVisible(visible);
}

void EditorDialog::setToolTip(int id, const QString &text)
{
    if (QWidget *w = control(id))
        w->setToolTip(text.isEmpty() ? text : plainTextToolTip(text));
}

void EditorDialog::focus(int id, bool selectAll)
{
    QWidget *w = control(id);
    if (!w)
        return;
    w->setFocus(Qt::OtherFocusReason);
    if (auto *edit = qobject_cast<QLineEdit *>(w); edit && selectAll)
        edit->selectAll();
    if (w == description_ && selectAll)
        description_->selectAll();
}

void EditorDialog::setByteLimit(int id, qsizetype bytes)
{
    if (id == ids::Description)
        description_->setByteLimit(bytes);
    else if (TypingLimit *limit = limits_.value(id))
        limit->setBytes(bytes);
}

void EditorDialog::setCompletions(int id, const QStringList &texts)
{
    if (id == ids::Description)
        description_->setCompletions(texts);
    else if (CompletionList *list = completions_.value(id))
        list->setTexts(texts);
}

void EditorDialog::repaintPreview()
{
    preview_->update();
}

} // namespace lumicap
