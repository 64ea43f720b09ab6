#include "widgets/CaptionEdit.h"

#include "widgets/SpellCheck.h"
#include "resources/StringTable.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QStringListModel>

#include <algorithm>
#include <memory>

namespace lumicap {

CaptionEdit::CaptionEdit(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setTabChangesFocus(true);
    completer_ = new QCompleter(completions_ = new QStringListModel(this), this);
    completer_->setWidget(this);
    completer_->setCaseSensitivity(Qt::CaseInsensitive);
    connect(completer_, qOverload<const QString &>(&QCompleter::activated), this, [this](const QString &text) {
        selectAll();
        if (fits(text))
            insertPlainText(text);
    });
}

void CaptionEdit::setCompletions(const QStringList &texts)
{
    completions_->setStringList(texts);
}

void CaptionEdit::offerCompletion()
{
    // Offered from two typed characters on, while the text is one line.
    const QString typed = toPlainText();
    completer_->setCompletionPrefix(typed);
    const int count = typed.size() < 2 || typed.contains('\n') ? 0 : completer_->completionCount();
    if (count == 0 || (count == 1 && completer_->currentCompletion() == typed)) {
        completer_->popup()->hide();
        return;
    }
    QRect at = cursorRect();
    at.setWidth(std::max(width() / 2, completer_->popup()->sizeHintForColumn(0) + completer_->popup()->verticalScrollBar()->sizeHint().width()));
    completer_->complete(at);
}

bool CaptionEdit::fits(const QString &text)
{
    const qsizetype after = toPlainText().toUtf8().size() - textCursor().selectedText().toUtf8().size() + text.toUtf8().size();
    if (after <= byteLimit_)
        return true;
    Q_EMIT refused(after - byteLimit_);
    return false;
}

void CaptionEdit::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    // Keys for an open list of completions go to the list.
    if (completer_->popup()->isVisible()
        && (enter || event->key() == Qt::Key_Escape || event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab)) {
        event->ignore();
        return;
    }
    if (enter && event->modifiers() == Qt::ShiftModifier) {
        if (fits(QStringLiteral("\n")))
            textCursor().insertText(QStringLiteral("\n"));
        return;
    }
    if (enter) {
        // Ctrl+Enter and Ctrl+Shift+Enter belong to the window.
        if (event->modifiers() & Qt::ControlModifier)
            event->ignore();
        else
            Q_EMIT submitted();
        return;
    }
    const QString typed = event->text();
    const bool printable = !typed.isEmpty() && typed.at(0).isPrint() && !(event->modifiers() & Qt::ControlModifier);
    if (printable && !fits(typed))
        return;
    QPlainTextEdit::keyPressEvent(event);
    if (printable)
        offerCompletion();
}

void CaptionEdit::contextMenuEvent(QContextMenuEvent *event)
{
    std::unique_ptr<QMenu> menu(createStandardContextMenu(event->pos()));
    if (spell_) {
        QTextCursor word = cursorForPosition(event->pos());
        word.select(QTextCursor::WordUnderCursor);
        const QString text = word.selectedText();
        QAction *top = menu->actions().value(0);
        if (!text.isEmpty() && spell_->isMisspelt(text)) {
            const QStringList suggestions = spell_->suggestions(text);
            for (const QString &s : suggestions.mid(0, 8)) {
                auto *use = new QAction(s, menu.get());
                connect(use, &QAction::triggered, this, [this, word, s]() mutable {
                    if (fits(s))
                        word.insertText(s);
                });
                menu->insertAction(top, use);
            }
            if (suggestions.isEmpty()) {
                auto *none = new QAction(loadString(IDS_SPELL_NO_SUGGESTIONS), menu.get());
                none->setEnabled(false);
                menu->insertAction(top, none);
            }
            auto *add = new QAction(loadString(IDS_SPELL_ADD), menu.get());
            connect(add, &QAction::triggered, this, [this, text] { spell_->addWord(text); });
            menu->insertAction(top, add);
            menu->insertSeparator(top);
        }
        const QStringList languages = spell_->languages();
        if (!languages.isEmpty()) {
            QMenu *choose = menu->addMenu(loadString(IDS_SPELL_LANGUAGE));
            for (const QString &language : languages) {
                QAction *pick = choose->addAction(language);
                pick->setCheckable(true);
                pick->setChecked(language == spell_->language());
                connect(pick, &QAction::triggered, this, [this, language] { spell_->setLanguage(language); });
            }
        }
    }
    menu->exec(event->globalPos());
}

void CaptionEdit::insertFromMimeData(const QMimeData *source)
{
    if (source->hasText() && !fits(source->text()))
        return;
    QPlainTextEdit::insertFromMimeData(source);
}

} // namespace lumicap
