#include "widgets/BrowseEdit.h"

#include "widgets/FileFilter.h"
#include "widgets/PathPicker.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QPushButton>

namespace lumicap {

namespace {
constexpr int buttonWidth = 25;
constexpr int shrinkBy = 26;

int freeControlId(const QWidget *parent)
{
    for (int id = 0x7FFF; id > 1; --id) {
        if (!parent->findChild<QWidget *>(QString::number(id), Qt::FindDirectChildrenOnly))
            return id;
    }
    return 1;
}

bool isExistingFolder(const QString &text)
{
    return !text.isEmpty() && QFileInfo(text).isDir();
}
} // namespace

BrowseEdit::BrowseEdit(QWidget *parent)
    : QLineEdit(parent)
{}

BrowseEdit::~BrowseEdit()
{
    delete button_; // it lives in the dialog, but belongs to this edit
}

bool BrowseEdit::attach()
{
    QWidget *dialog = parentWidget();
    if (!dialog || button_)
        return false;
    const QRect old = geometry();
    resize(old.width() - shrinkBy, old.height());

    buttonId_ = freeControlId(dialog);
    button_ = new QPushButton(QStringLiteral("..."), dialog);
    button_->setObjectName(QString::number(buttonId_));
    button_->setAutoDefault(false);
    button_->setGeometry(old.x() + old.width() - buttonWidth, old.y(), buttonWidth, old.height());
    button_->setEnabled(isEnabled());
    QWidget::setTabOrder(this, button_);
    button_->setVisible(!isHidden());
    connect(button_, &QPushButton::clicked, this, &BrowseEdit::browse);
    return true;
}

int BrowseEdit::buttonId() const
{
    return button_ ? buttonId_ : -1;
}

void BrowseEdit::setVisible(bool visible)
{
    QLineEdit::setVisible(visible);
    if (button_)
        button_->setVisible(visible);
}

void BrowseEdit::changeEvent(QEvent *event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && button_)
        button_->setEnabled(isEnabled());
}

PathPicker &BrowseEdit::picker() const
{
    static DesktopPathPicker desktop;
    return picker_ ? *picker_ : desktop;
}

void FolderBrowseEdit::browse()
{
    // A text that names no folder starts the picker at the current one.
    const QString start = isExistingFolder(text()) ? text() : QDir::currentPath();
    const auto chosen = picker().pickFolder(window(), QString(), start);
    if (!chosen || chosen->isEmpty())
        return;
    QString folder = QDir::toNativeSeparators(*chosen);
    if (!folder.endsWith('/') && !folder.endsWith('\\'))
        folder += QDir::separator();
    setText(folder);
}

void FileBrowseEdit::browse()
{
    const QString current = QDir::currentPath(); // the picker must not move it
    QString startFolder = isExistingFolder(startFolder_) ? startFolder_ : current;
    QString startFile = text();
    if (isExistingFolder(startFile)) {
        startFolder = QFileInfo(startFile).absoluteFilePath();
        startFile.clear();
    } else if (!startFile.isEmpty() && !QFileInfo::exists(startFile)) {
        // A file that is gone: its folder, when the text names one.
        const QFileInfo gone(startFile);
        if (gone.path() != QLatin1String(".") && isExistingFolder(gone.path()))
            startFolder = gone.absolutePath();
        startFile.clear();
    } else if (!startFile.isEmpty()) {
        startFolder = QFileInfo(startFile).absolutePath();
        startFile = QFileInfo(startFile).absoluteFilePath();
    }
    const auto chosen = picker().pickFile(window(), QString(), startFolder, startFile, qtFileFilter(filter_), showHidden_);
    QDir::setCurrent(current);
    if (chosen && !chosen->isEmpty())
        setText(QDir::toNativeSeparators(QFileInfo(*chosen).absoluteFilePath()));
}

} // namespace lumicap
