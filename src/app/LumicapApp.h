#pragma once

#include <functional>

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

    LumicapApp();
    int run();

    // True when the last run showed the editor.
    bool editorShown() const { return editorShown_; }

private:
    bool editorShown_ = false;
};

} // namespace lumicap
