#include "TypingLimit.h"

#include <QLineEdit>

#include <algorithm>

namespace lumicap {

TypingLimit::TypingLimit(QLineEdit *edit, int limit)
    : QValidator(edit)
    , limit_(limit)
    , allowed_(std::max(limit, static_cast<int>(edit->text().size())))
{
    edit->setValidator(this);
}

void TypingLimit::allowText(const QString &text)
{
    allowed_ = std::max(limit_, static_cast<int>(text.size()));
}

QValidator::State TypingLimit::validate(QString &input, int &) const
{
    return input.size() <= allowed_ ? Acceptable : Invalid;
}

} // namespace lumicap
