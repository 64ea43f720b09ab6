#include "widgets/TypingLimit.h"

#include <QLineEdit>

#include <limits>

namespace lumicap {

TypingLimit::TypingLimit(QLineEdit *edit, qsizetype bytes)
    : QValidator(edit)
    , bytes_(bytes)
{
    // The limit in bytes is the only one: QLineEdit's own (32767 characters)
    // would cut a longer stored text as it is shown, and a save would write
    // it cut.
    edit->setMaxLength(std::numeric_limits<int>::max());
    edit->setValidator(this);
}

QValidator::State TypingLimit::validate(QString &input, int &) const
{
    if (input == allowed_)
        return Acceptable;
    const qsizetype size = input.toUtf8().size();
    if (size <= bytes_)
        return Acceptable;
    // Shortening a long stored text is always allowed.
    if (input.size() < allowed_.size())
        return Acceptable;
    Q_EMIT refused(size - bytes_);
    return Invalid;
}

} // namespace lumicap
