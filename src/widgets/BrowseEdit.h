#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace lumicap {

class PathPicker;

// A one-line edit with a small "..." button at its right end that opens a
// picker and puts the chosen path into the edit. The button is made by
// attach(), once the edit has its place in the dialog; it follows the edit's
// enabled and visible state, comes right after it in the tab order and goes
// away with it.
class BrowseEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit BrowseEdit(QWidget *parent = nullptr);
    ~BrowseEdit() override;

    // Shrinks the edit by 26 pixels and puts a 25-pixel button in the space.
    bool attach();

    // The button's identifier (its object name), or -1 without a button.
    int buttonId() const;
    QPushButton *button() const { return button_; }

    // Not owned; the desktop's dialogs when never set.
    void setPicker(PathPicker *picker) { picker_ = picker; }

    void setVisible(bool visible) override;

public Q_SLOTS:
    virtual void browse() = 0;

protected:
    PathPicker &picker() const;
    void changeEvent(QEvent *event) override;

private:
    QPointer<QPushButton> button_;
    int buttonId_ = -1;
    PathPicker *picker_ = nullptr;
};

// Picks a folder; the folder goes into the edit with a separator at its end.
class FolderBrowseEdit : public BrowseEdit
{
    Q_OBJECT

public:
    using BrowseEdit::BrowseEdit;
    void browse() override;
};

// Picks an existing file; its full path goes into the edit. The picker opens
// at the file the text names, or in its folder when only that exists.
class FileBrowseEdit : public BrowseEdit
{
    Q_OBJECT

public:
    using BrowseEdit::BrowseEdit;

    // A filter in "Label|patterns|...||" form.
    void setFilter(const QString &filter) { filter_ = filter; }
    QString filter() const { return filter_; }
    void setShowHidden(bool show) { showHidden_ = show; }
    bool showHidden() const { return showHidden_; }
    // Where the picker opens when the text names neither a file nor a
    // folder that exists; the current folder when empty.
    void setStartFolder(const QString &folder) { startFolder_ = folder; }

    void browse() override;

private:
    QString startFolder_;
    QString filter_ = QStringLiteral("All files (*.*)|*.*||");
    bool showHidden_ = false;
};

} // namespace lumicap
