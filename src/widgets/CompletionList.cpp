#include "widgets/CompletionList.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStringListModel>

namespace lumicap {

CompletionList::CompletionList(QLineEdit *edit)
    : QCompleter(edit)
    , model_(new QStringListModel(this))
{
    setModel(model_);
    setCaseSensitivity(Qt::CaseInsensitive);
    setFilterMode(Qt::MatchStartsWith);
    edit->setCompleter(this);
}

void CompletionList::setTexts(const QStringList &texts)
{
    model_->setStringList(texts);
}

bool CompletionList::eventFilter(QObject *watched, QEvent *event)
{
    // popup() makes the list when there is none: asked only for a key.
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete && watched == popup()) {
        const QString text = popup()->currentIndex().data().toString();
        if (!text.isEmpty()) {
            popup()->hide();
            Q_EMIT forget(text);
            return true;
        }
    }
    return QCompleter::eventFilter(watched, event);
}

} // namespace lumicap
