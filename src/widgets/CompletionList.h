#pragma once

#include <QCompleter>

class QLineEdit;
class QStringListModel;

namespace lumicap {

// The texts a line edit offers as the person types, in the order given
// (most recent first). Delete on a highlighted text asks to forget it.
class CompletionList : public QCompleter
{
    Q_OBJECT

public:
    explicit CompletionList(QLineEdit *edit);
    void setTexts(const QStringList &texts);

Q_SIGNALS:
    void forget(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QStringListModel *model_;
};

} // namespace lumicap
