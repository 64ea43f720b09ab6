#pragma once

#include <QValidator>

class QLineEdit;

namespace lumicap {

// Limits what can be typed into an edit without cutting text the program
// puts there (QLineEdit's maximum length would). Text the program sets is
// let in whole, and raises the limit to its own length until the program
// sets another: a long stored text can be edited freely, characters deleted
// from it typed back, but it cannot be made longer than it came.
class TypingLimit : public QValidator
{
    Q_OBJECT

public:
    TypingLimit(QLineEdit *edit, int limit);
    State validate(QString &input, int &pos) const override;

    // Called before the program sets the edit's text.
    void allowText(const QString &text);
    // The longest text the edit takes now.
    int allowed() const { return allowed_; }

private:
    int limit_;
    int allowed_;
};

} // namespace lumicap
