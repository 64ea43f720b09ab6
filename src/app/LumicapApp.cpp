#include "LumicapApp.h"

#include "AppWindows.h"
#include "EditorDialog.h"
#include "ImagingCheck.h"
#include "MessageBoxPrompt.h"
#include "MissingImagingDialog.h"

namespace lumicap {

LumicapApp::LumicapApp()
    : imagingPresent([] { return imagingAvailable(); })
    , runModal([](QDialog &dialog) { return dialog.exec(); })
{
}

int LumicapApp::run()
{
    editorShown_ = false;
    if (!imagingPresent()) {
        MissingImagingDialog missing;
        runModal(missing);
        return 1;
    }
    startImaging();
    {
        MessageBoxPrompt prompt;
        EditorDialog editor(prompt);
        prompt.setParent(&editor);
        connectAppWindows(editor, runModal);
        editorShown_ = true;
        runModal(editor);
    } // the editor, and with it any open image, is gone before imaging stops
    stopImaging();
    return 0;
}

} // namespace lumicap
