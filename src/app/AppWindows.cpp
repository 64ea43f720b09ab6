#include "AppWindows.h"

#include "AboutDialog.h"
#include "BatchDialog.h"
#include "EditorDialog.h"
#include "HelpDialog.h"
#include "MessageBoxPrompt.h"
#include "StartupWarning.h"
#include "WarningDialog.h"

namespace lumicap {

void connectAppWindows(EditorDialog &editor, const std::function<int(QDialog &)> &runModal)
{
    editor.openBatch = [&editor, runModal] {
        // Its messages belong to it: the editor is disabled while a run shows
        // its progress.
        MessageBoxPrompt prompt;
        BatchDialog batch(prompt, &editor);
        prompt.setParent(&batch);
        runModal(batch);
    };
    editor.openHelp = [&editor, runModal] {
        HelpDialog help(&editor);
        runModal(help);
    };
    editor.openAbout = [&editor, runModal] {
        AboutDialog about(&editor);
        runModal(about);
    };
    editor.onStarted = [&editor, runModal] {
        runStartupWarning([&] {
            WarningDialog warning(&editor);
            runModal(warning);
            return warning.dontShow();
        });
    };
}

} // namespace lumicap
