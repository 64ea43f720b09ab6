#include "cli/BatchCommand.h"
#include "cli/CommandLine.h"
#include "cli/ConsoleOutput.h"
#include "cli/CsvImport.h"
#include "cli/PictureFinder.h"
#include "cli/SetCommand.h"
#include "cli/ShowCommand.h"
#include "imaging/Sidecars.h"
#include "resources/StringTable.h"
#include "cli/UndoCommand.h"

#include <QCoreApplication>

using namespace lumicap;

namespace {
constexpr int usageError = 2;

int runSetCommand(const Invocation &inv, const PictureFinder &finder)
{
    SetRequest request;
    request.changes = inv.changes;
    request.removeAllExif = inv.removeAllExif;
    request.allCopies = inv.allCopies;
    request.preserveTime = inv.preserveTime;
    request.patterns = !inv.csvFile;

    std::vector<SetJob> jobs;
    int failures = finder.failures();
    if (inv.csvFile) {
        QByteArray csv;
        QString error;
        if (!readInput(*inv.csvFile, csv)) {
            printError(formatString(IDS_CLI_CANNOT_READ, shownText(*inv.csvFile).toUtf8().constData()));
            return 1;
        }
        if (!CsvImport::jobs(csv, request, jobs, error)) {
            printError(error);
            return 1;
        }
        if (!inv.files.empty() || !inv.nameLists.empty())
            jobs = CsvImport::restrictTo(jobs, finder.pictures(), failures);
    } else {
        for (const Picture &picture : finder.pictures())
            jobs.push_back({picture.path, request});
    }
    const int result = runSet(jobs, inv.verbose, inv.dryRun);
    if (inv.dryRun && !inv.quiet)
        printOut(loadString(IDS_CLI_DRY_RUN_DONE));
    return failures == 0 ? result : 1;
}

BatchRequest batchRequest(const Invocation &inv)
{
    BatchRequest request;
    request.artist = inv.changes.artist;
    request.copyright = inv.changes.copyright;
    request.removeAllExif = inv.removeAllExif;
    request.allCopies = inv.allCopies;
    request.keepGoing = inv.keepGoing;
    request.preserveTime = inv.preserveTime;
    request.verbose = inv.verbose;
    request.quiet = inv.quiet;
    request.dryRun = inv.dryRun;
    return request;
}

// Fields in braces are checked before anything is read or written.
bool patternsSound(const Invocation &inv, QString &error)
{
    SetRequest values;
    values.changes = inv.changes;
    return checkSetPatterns(values, error);
}

ReplaceRequest replaceRequest(const Invocation &inv)
{
    ReplaceRequest replace;
    replace.find = QString::fromUtf8(inv.find);
    replace.replacement = QString::fromUtf8(inv.replacement);
    replace.regex = inv.regex;
    replace.ignoreCase = inv.ignoreCase;
    if (!inv.fields.empty()) {
        replace.fields = {false, false, false};
        for (const QByteArray &name : inv.fields) {
            const auto field = fieldNamed(name);
            selected(replace.fields, *field) = true;
        }
    }
    return replace;
}
} // namespace

int main(int argc, char *argv[])
{
    // Arguments are bytes: a file name or a value that is not valid UTF-8
    // is used as it is, never turned into replacement characters.
    std::vector<QByteArray> args;
    for (int k = 1; k < argc; ++k)
        args.emplace_back(argv[k]);

    QCoreApplication app(argc, argv);
#ifdef _WIN32
    // There argv is in the ANSI code page, which cannot spell every name;
    // the wide command line Qt reads can, and names and typed values are
    // UTF-8 on Windows.
    args.clear();
    for (const QString &arg : QCoreApplication::arguments().mid(1))
        args.push_back(arg.toUtf8());
#endif
    useBinaryStreams();
    QCoreApplication::setApplicationName("lumicap-tags");
    QCoreApplication::setApplicationVersion(LUMICAP_VERSION);

    QString error;
    const auto inv = CommandLine::parse(args, error);
    if (inv && !inv->help && !inv->version && !patternsSound(*inv, error)) {
        printError(escapedText(formatString(IDS_CLI_USAGE, error.toUtf8().constData())));
        return usageError;
    }
    if (!inv) {
        printError(escapedText(formatString(IDS_CLI_USAGE, error.toUtf8().constData())));
        return usageError;
    }
    if (inv->help) {
        printOut(loadString(IDS_CLI_DESCRIPTION) + '\n');
        printOut(loadString(IDS_CLI_HELP));
        return 0;
    }
    if (inv->version) {
        printOut(QCoreApplication::applicationName() + ' ' + QCoreApplication::applicationVersion());
        return 0;
    }

    // A FIND that cannot be used is a usage error, found before anything is read.
    std::optional<FindReplace> replace;
    if (inv->command == Command::Replace && !(replace = FindReplace::make(replaceRequest(*inv), error))) {
        printError(escapedText(formatString(IDS_CLI_USAGE, error.toUtf8().constData())));
        return usageError;
    }
    Sidecars::setNewWithExtension(inv->sidecarWithExt);
    if (inv->command == Command::Batch)
        return runBatchCommand(inv->files.front(), batchRequest(*inv));

    if (inv->command == Command::History)
        return runHistory(inv->files);
    if (inv->command == Command::Undo)
        return runUndo(inv->files, inv->run, inv->listRuns, inv->force);

    PictureFinder finder(inv->recursive);
    for (const QByteArray &list : inv->nameLists)
        finder.addNameList(list);
    for (const QByteArray &file : inv->files)
        finder.add(file);
    if (inv->command == Command::Set)
        return runSetCommand(*inv, finder);
    if (inv->command == Command::Replace) {
        std::vector<QByteArray> pictures;
        for (const Picture &picture : finder.pictures())
            pictures.push_back(picture.path);
        const int result = runReplaceCommand(pictures, *replace, batchRequest(*inv));
        return finder.failures() == 0 ? result : 1;
    }
    const int result = runShow(finder.pictures(), inv->format, inv->showAll);
    return finder.failures() == 0 ? result : 1;
}
