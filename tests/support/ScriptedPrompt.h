#pragma once

#include "UserPrompt.h"

#include <QList>
#include <QStringList>

namespace lumicap::test {

// Answers the program's questions by script and keeps what it said.
class ScriptedPrompt : public UserPrompt
{
public:
    QStringList messages;
    QStringList questions;
    QList<bool> answers; // taken in order; a question without one answers No
    int waitDepth = 0;
    int waits = 0;

    void showMessage(const QString &text) override { messages.append(text); }
    bool askYesNo(const QString &text) override
    {
        questions.append(text);
        return answers.isEmpty() ? false : answers.takeFirst();
    }
    void beginWait() override
    {
        ++waitDepth;
        ++waits;
    }
    void endWait() override { --waitDepth; }

    void clear()
    {
        messages.clear();
        questions.clear();
        answers.clear();
    }
};

} // namespace lumicap::test
