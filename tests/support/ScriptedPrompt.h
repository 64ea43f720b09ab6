#pragma once

#include "widgets/UserPrompt.h"

#include <QList>
#include <QStringList>

#include <functional>

namespace lumicap::test {

// Answers the program's questions by script and keeps what it said.
class ScriptedPrompt : public UserPrompt
{
public:
    QStringList messages;
    QStringList information; // messages that report no problem
    QStringList questions;
    QList<bool> answers; // taken in order; a question without one answers No
    // Answers to questions that can be cancelled, taken first; when there is
    // none, the next entry of answers is taken as Yes or No.
    QList<Answer> choices;
    int waitDepth = 0;
    int waits = 0;
    std::function<void()> onQuestion; // called as each Yes/No question is asked

    void showMessage(const QString &text) override { messages.append(text); }
    void showInformation(const QString &text) override { information.append(text); }
    bool askYesNo(const QString &text) override
    {
        if (onQuestion)
            onQuestion();
        questions.append(text);
        return answers.isEmpty() ? false : answers.takeFirst();
    }
    Answer askYesNoCancel(const QString &text) override
    {
        if (choices.isEmpty())
            return askYesNo(text) ? Answer::Yes : Answer::No;
        questions.append(text);
        return choices.takeFirst();
    }
    void beginWait() override
    {
        ++waitDepth;
        ++waits;
    }
    void endWait() override { --waitDepth; }
};

} // namespace lumicap::test
