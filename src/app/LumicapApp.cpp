#include "app/LumicapApp.h"

#include "metadata/AppSettings.h"
#include "app/AppWindows.h"
#include "editor/EditorDialog.h"
#include "app/ImagingCheck.h"
#include "widgets/MessageBoxPrompt.h"
#include "auxiliary/MissingImagingDialog.h"
#include "imaging/Sidecars.h"
#include "resources/StringTable.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace lumicap {

LumicapApp::LumicapApp()
    : imagingPresent([] { return imagingAvailable(); })
    , runModal([](QDialog &dialog) { return dialog.exec(); })
{}

std::optional<int> LumicapApp::takeArguments(const QStringList &arguments, QString &output)
{
    // A folder or picture given (as a file manager's "Open with" does) is
    // where the editor starts.
    QCommandLineParser parser;
    parser.setApplicationDescription(loadString(IDS_APP_DESCRIPTION));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("path"), loadString(IDS_APP_PATH), loadString(IDS_APP_PATH_SYNTAX));
    if (!parser.parse(arguments)) {
        output = parser.errorText() + QLatin1Char('\n');
        return 2;
    }
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        output = parser.helpText();
        return 0;
    }
    if (parser.isSet(version)) {
        output = QCoreApplication::applicationName() + QStringLiteral(" " LUMICAP_VERSION) + QLatin1Char('\n');
        return 0;
    }
    const QStringList paths = parser.positionalArguments();
    startPath = paths.value(0);
    return std::nullopt;
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
    // A raw file's new sidecar is NAME.EXT.xmp, as darktable names it, when
    // the settings say so; NAME.xmp otherwise.
    Sidecars::setNewWithExtension(AppSettings().flag(Setting::SidecarWithExt));
    {
        MessageBoxPrompt prompt;
        EditorDialog editor(prompt);
        prompt.setParent(&editor);
        connectAppWindows(editor, runModal);
        editor.startPath = startPath;
        editorShown_ = true;
        runModal(editor);
    } // the editor, and with it any open image, is gone before imaging stops
    stopImaging();
    return 0;
}

} // namespace lumicap
