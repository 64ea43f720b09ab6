#pragma once

#include <QPlainTextEdit>

class QCompleter;
class QStringListModel;

namespace lumicap {

class SpellCheck;

// The description box: several lines, wrapped at words. Enter hands the text
// in (submitted), Shift+Enter breaks the line. It takes at most byteLimit()
// bytes of UTF-8; a typed character or a paste that would pass it is refused
// whole and said (refused), never cut.
class CaptionEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit CaptionEdit(QWidget *parent = nullptr);

    void setByteLimit(qsizetype bytes) { byteLimit_ = bytes; }
    qsizetype byteLimit() const { return byteLimit_; }
    // Whole texts offered while what is typed begins one of them.
    void setCompletions(const QStringList &texts);
    QCompleter *completer() const { return completer_; }
    // Underlines misspelt words and offers corrections in the context menu.
    void setSpellCheck(SpellCheck *spell) { spell_ = spell; }
    SpellCheck *spellCheck() const { return spell_; }

Q_SIGNALS:
    void submitted();
    // Bytes the refused text would have needed beyond the limit.
    void refused(qsizetype excess);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    // True when text may replace the selection; says why when it may not.
    bool fits(const QString &text);

    void offerCompletion();

    qsizetype byteLimit_ = 65535;
    QCompleter *completer_;
    QStringListModel *completions_;
    SpellCheck *spell_ = nullptr;
};

} // namespace lumicap
