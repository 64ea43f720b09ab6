#include "app/AppWindows.h"

#include "auxiliary/AboutDialog.h"
#include "batch/ApplyDialog.h"
#include "batch/BatchDialog.h"
#include "editor/EditorDialog.h"
#include "auxiliary/HelpDialog.h"
#include "widgets/MessageBoxPrompt.h"
#include "batch/ReplaceDialog.h"
#include "auxiliary/StartupWarning.h"
#include "auxiliary/WarningDialog.h"

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
    // The folder's pictures as the editor lists them.
    editor.openReplace = [&editor, runModal] {
        MessageBoxPrompt prompt;
        ReplaceDialog replace(prompt, editor.controller().imageList().entries(), editor.controller().options().allCopies, &editor);
        prompt.setParent(&replace);
        runModal(replace);
    };
    editor.openApplyToAll = [&editor, runModal] {
        MessageBoxPrompt prompt;
        ApplyDialog apply(prompt, editor.controller().imageList().entries(), editor.controller().options().allCopies, &editor);
        prompt.setParent(&apply);
        runModal(apply);
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
