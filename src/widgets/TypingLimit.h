#pragma once

#include <QValidator>

class QLineEdit;

namespace lumicap {

// Limits what can be typed into an edit without cutting text the program
// puts there (QLineEdit's maximum length would). A longer text can still be
// shortened; it cannot be made longer.
class TypingLimit : public QValidator
{
    Q_OBJECT

public:
    TypingLimit(QLineEdit *edit, int limit);
    State validate(QString &input, int &pos) const override;

    // Called before the program sets the edit's text, so that text is let in
    // whatever its length.
    void allowText(const QString &text) { current_ = static_cast<int>(text.size()); }

private:
    int limit_;
    int current_ = 0;
};

} // namespace lumicap
