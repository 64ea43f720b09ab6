#include "TypingLimit.h"

#include <QLineEdit>

#include <algorithm>

namespace lumicap {

TypingLimit::TypingLimit(QLineEdit *edit, int limit)
    : QValidator(edit)
    , limit_(limit)
    , current_(static_cast<int>(edit->text().size()))
{
    connect(edit, &QLineEdit::textChanged, this, [this](const QString &text) { current_ = static_cast<int>(text.size()); });
    edit->setValidator(this);
}

QValidator::State TypingLimit::validate(QString &input, int &) const
{
    return input.size() <= std::max(limit_, current_) ? Acceptable : Invalid;
}

} // namespace lumicap
