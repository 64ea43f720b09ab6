#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace lumicap {

// The folder and file choosers the browse fields open. Tests hand in a
// scripted one; the program uses the desktop's dialogs.
class PathPicker
{
public:
    virtual ~PathPicker() = default;
    virtual std::optional<QString> pickFolder(QWidget *parent, const QString &title, const QString &startFolder) = 0;
    virtual std::optional<QString> pickFile(QWidget *parent, const QString &title, const QString &startFolder, const QString &startFile,
                                            const QString &qtFilter, bool showHidden)
        = 0;
};

class DesktopPathPicker : public PathPicker
{
public:
    std::optional<QString> pickFolder(QWidget *parent, const QString &title, const QString &startFolder) override;
    std::optional<QString> pickFile(QWidget *parent, const QString &title, const QString &startFolder, const QString &startFile,
                                    const QString &qtFilter, bool showHidden) override;
};

} // namespace lumicap
