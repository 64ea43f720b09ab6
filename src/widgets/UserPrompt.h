#pragma once

#include <QString>

namespace lumicap {

// How the logic talks to the person: message boxes (titled with the
// program's name, with the warning icon unless they report no problem) and
// the wait cursor. The windows
// hand in the real one; tests answer by script.
class UserPrompt
{
public:
    virtual ~UserPrompt() = default;
    virtual void showMessage(const QString &text) = 0;
    // A message that reports no problem (the information icon).
    virtual void showInformation(const QString &text) { showMessage(text); }
    virtual bool askYesNo(const QString &text) = 0;

    enum class Answer { Yes, No, Cancel };
    // A question that can be taken back: Escape and the close box answer
    // Cancel. Prompts that cannot cancel ask Yes/No.
    virtual Answer askYesNoCancel(const QString &text) { return askYesNo(text) ? Answer::Yes : Answer::No; }
    virtual void beginWait() = 0;
    virtual void endWait() = 0;
};

// Shows the wait cursor for as long as it lives.
class WaitCursor
{
public:
    explicit WaitCursor(UserPrompt &prompt)
        : prompt_(prompt)
    {
        prompt_.beginWait();
    }
    ~WaitCursor() { prompt_.endWait(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;

private:
    UserPrompt &prompt_;
};

} // namespace lumicap
