#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QDialog;

namespace lumicap {

// Start-up: the imaging check (without it only the missing-imaging dialog
// shows), imaging started, the editor run as the main window, imaging shut
// down after it. The windows that are opened go through runModal, so that
// tests can see them without a person to close them.
class LumicapApp
{
public:
    std::function<bool()> imagingPresent;
    std::function<int(QDialog &)> runModal;
    // A folder or picture to start on; the remembered folder when empty.
    QString startPath;

    LumicapApp();
    // Reads the command line (program name first): a folder or a picture
    // becomes startPath. --help, --version and a bad option give the text to
    // print and the exit code, and the window does not start.
    std::optional<int> takeArguments(const QStringList &arguments, QString &output);
    int run();

    // True when the last run showed the editor.
    bool editorShown() const { return editorShown_; }

private:
    bool editorShown_ = false;
};

} // namespace lumicap
