#include "cli/BatchCommand.h"

#include "batch/BatchRun.h"
#include "cli/ConsoleOutput.h"
#include "platform/FileTimes.h"
#include "platform/NativePath.h"
#include "resources/StringTable.h"
#include "metadata/TextEncoding.h"
#include "widgets/UserPrompt.h"

#include <cstdio>
#include <utility>
#include <vector>

namespace lumicap {

namespace {
// Progress on stderr: a bar that redraws itself on a terminal, a line per
// picture with --verbose, nothing otherwise.
class TerminalProgress : public BatchProgress
{
public:
    TerminalProgress(bool verbose, bool quiet)
        : bar_(!verbose && !quiet && errorsGoToATerminal())
        , lines_(verbose)
    {}

    void begin() override {}
    void showImage(const QString &name, int position) override
    {
        if (bar_) {
            const int filled = position / 5;
            std::fprintf(stderr, "\r[%s%s] %3d%% %-40.40s", QByteArray(filled, '#').constData(), QByteArray(20 - filled, '.').constData(), position,
                         escapedText(name).toUtf8().constData());
            std::fflush(stderr);
            drawn_ = true;
        } else if (lines_) {
            printError(QString("[%1%] %2").arg(position, 3).arg(escapedText(name)));
        }
    }
    void end() override { endLine(); }
    bool cancelled() const override { return false; }
    void afterImage() override {}

    void endLine()
    {
        if (drawn_)
            std::fputc('\n', stderr);
        drawn_ = false;
    }

private:
    bool bar_;
    bool lines_;
    bool drawn_ = false;
};

// Questions are answered by --keep-going; messages go to stderr.
class ConsolePrompt : public UserPrompt
{
public:
    ConsolePrompt(TerminalProgress &progress, bool keepGoing)
        : progress_(progress)
        , keepGoing_(keepGoing)
    {}

    void showMessage(const QString &text) override
    {
        progress_.endLine();
        for (const QString &line : text.split('\n'))
            printError(escapedText(line));
    }
    bool askYesNo(const QString &text) override
    {
        // The error without its last line, the question --keep-going answers.
        showMessage(text.left(text.lastIndexOf('\n')));
        return keepGoing_;
    }
    void beginWait() override {}
    void endWait() override {}

private:
    TerminalProgress &progress_;
    bool keepGoing_;
};

// The times of every picture the list names, to put back on the ones a save
// replaced.
std::vector<std::pair<QByteArray, platform::FileTimes>> timesOf(ListFileReader &list, const QByteArray &listPath)
{
    std::vector<std::pair<QByteArray, platform::FileTimes>> found;
    const QByteArray folder = splitPath(listPath).folder;
    for (ListEntry entry; list.next(entry);) {
        const auto path = imagePathFor(folder, entry.name);
        platform::FileTimes times;
        if (path && times.read(platform::pathFromBytes(path->toStdString())) == platform::FileStatus::Ok)
            found.emplace_back(*path, times);
    }
    list.rewind();
    return found;
}

// The text as printed, the parts a replace changed marked as a plain word
// diff marks them ([-found-], {+put in its place+}), which reads in a pipe.
QByteArray markedText(const QByteArray &text, const TextSpans &spans, const char *open, const char *close)
{
    const QString shown = displayText(text);
    QString out;
    qsizetype done = 0;
    for (const auto &[at, length] : spans) {
        out += escapedText(shown.mid(done, at - done)) + QLatin1String(open) + escapedText(shown.mid(at, length)) + QLatin1String(close);
        done = at + length;
    }
    return (out + escapedText(shown.mid(done))).toUtf8();
}

// What a dry run found, a line per field.
void printPlanned(const BatchSummary &summary)
{
    for (const TextChange &change : summary.planned)
        printOut(formatString(IDS_CLI_WOULD_CHANGE, shownText(change.path).toUtf8().constData(), fieldName(change.field).toUtf8().constData(),
                              markedText(change.before, change.found, "[-", "-]").constData(),
                              markedText(change.after, change.replaced, "{+", "+}").constData()));
}

void printSummary(const BatchSummary &summary, const BatchRequest &request)
{
    printPlanned(summary);
    if (request.quiet)
        return;
    printOut(BatchRun::summaryLine(summary));
    if (request.dryRun)
        printOut(loadString(IDS_CLI_DRY_RUN_DONE));
}

void printUntouched(const BatchSummary &summary)
{
    // As set says it: the save went ahead, but other programs may still show
    // the old text.
    for (const UntouchedCopies &picture : summary.untouched) {
        for (const QByteArray &where : picture.copies)
            printError(formatString(IDS_CLI_COPY_UNTOUCHED, shownText(picture.path).toUtf8().constData(), where.constData()));
    }
}

int exitStatus(const BatchSummary &summary, int failures)
{
    return summary.failed == 0 && summary.skipped == 0 && !summary.cancelled && failures == 0 ? 0 : 1;
}
} // namespace

int runBatchCommand(const QByteArray &listPath, const BatchRequest &request)
{
    const QByteArray shown = shownText(listPath).toUtf8();
    // The list is read as the run goes: memory stays bounded by its longest
    // line, however long it is.
    ListFileReader list;
    if (const ImageStatus opened = list.open(listPath); opened != ImageStatus::Ok) {
        printError(opened == ImageStatus::FileNotFound ? formatString(IDS_LIST_MISSING, shown.constData())
                                                       : formatString(IDS_LIST_READ_ERROR, statusNumber(opened), shown.constData()));
        return 1;
    }
    if (list.holdsBinary()) {
        printError(formatString(IDS_LIST_BINARY, shown.constData()));
        return 1;
    }
    const auto times = request.preserveTime && !request.dryRun ? timesOf(list, listPath) : std::vector<std::pair<QByteArray, platform::FileTimes>>();
    TerminalProgress progress(request.verbose, request.quiet);
    ConsolePrompt prompt(progress, request.keepGoing);
    BatchRun run(prompt, progress);
    run.dryRun(request.dryRun);
    const BatchSummary summary = run.runListFile(list, listPath, {request.artist, request.copyright, request.removeAllExif, request.allCopies});
    printUntouched(summary);
    int failures = 0;
    for (const auto &[path, before] : times) {
        const std::filesystem::path file = platform::pathFromBytes(path.toStdString());
        if (before.replaced(file) && before.restore(file) != platform::FileStatus::Ok) {
            ++failures;
            printError(formatString(IDS_CLI_TIMES_NOT_KEPT, shownText(path).toUtf8().constData()));
        }
    }
    printSummary(summary, request);
    return exitStatus(summary, failures);
}

int runReplaceCommand(const std::vector<QByteArray> &pictures, const FindReplace &replace, const BatchRequest &request)
{
    TerminalProgress progress(request.verbose, request.quiet);
    ConsolePrompt prompt(progress, request.keepGoing);
    BatchRun run(prompt, progress);
    run.dryRun(request.dryRun);
    const EditFor edit = [&replace](const PatternSubject &subject) {
        PictureEdit edit{subject.fields, {false, false, false}};
        edit.which = replace.applyTo(edit.fields);
        return edit;
    };
    BatchSummary summary = run.runPictures(pictures, edit, {std::nullopt, std::nullopt, false, request.allCopies});
    for (TextChange &change : summary.planned) // the parts to mark
        replace.apply(change.before, &change.found, &change.replaced);
    printUntouched(summary);
    printSummary(summary, request);
    return exitStatus(summary, 0);
}

} // namespace lumicap
