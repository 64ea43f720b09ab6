#pragma once

#include "widgets/UserPrompt.h"

class QWidget;

namespace lumicap {

// Message boxes titled with the program's name, with the warning icon, and
// the wait cursor, for real.
class MessageBoxPrompt : public UserPrompt
{
public:
    explicit MessageBoxPrompt(QWidget *parent = nullptr)
        : parent_(parent)
    {}
    void setParent(QWidget *parent) { parent_ = parent; }

    void showMessage(const QString &text) override;
    void showInformation(const QString &text) override;
    bool askYesNo(const QString &text) override;
    Answer askYesNoCancel(const QString &text) override;
    void beginWait() override;
    void endWait() override;

private:
    QWidget *parent_;
};

} // namespace lumicap
