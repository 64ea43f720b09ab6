#pragma once

#include "widgets/PathPicker.h"

#include <QString>

namespace lumicap::test {

// Answers the browse fields' pickers by script and remembers how they were
// asked.
class ScriptedPicker : public PathPicker
{
public:
    std::optional<QString> answer;
    int calls = 0;
    QString startFolder;
    QString startFile;
    QString filter;
    bool showHidden = false;

    std::optional<QString> pickFolder(QWidget *, const QString &, const QString &start) override
    {
        ++calls;
        startFolder = start;
        return answer;
    }

    std::optional<QString> pickFile(QWidget *, const QString &, const QString &folder, const QString &file, const QString &qtFilter,
                                    bool hidden) override
    {
        ++calls;
        startFolder = folder;
        startFile = file;
        filter = qtFilter;
        showHidden = hidden;
        return answer;
    }
};

} // namespace lumicap::test
