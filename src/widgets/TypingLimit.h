#pragma once

#include <QValidator>

class QLineEdit;

namespace lumicap {

// Limits what can be typed or pasted into an edit to so many bytes of UTF-8,
// without cutting text the program puts there (QLineEdit's maximum length
// would). A change that would pass the limit is refused whole, and said.
class TypingLimit : public QValidator
{
    Q_OBJECT

public:
    TypingLimit(QLineEdit *edit, qsizetype bytes);
    State validate(QString &input, int &pos) const override;

    void setBytes(qsizetype bytes) { bytes_ = bytes; }
    qsizetype bytes() const { return bytes_; }
    // Called before the program sets the edit's text, which is let in whole.
    void allowText(const QString &text) { allowed_ = text; }

Q_SIGNALS:
    // Bytes the refused change needed beyond the limit.
    void refused(qsizetype excess) const;

private:
    qsizetype bytes_;
    QString allowed_;
};

} // namespace lumicap
