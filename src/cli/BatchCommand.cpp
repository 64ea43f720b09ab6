#include "BatchCommand.h"

#include "BatchRun.h"
#include "ConsoleOutput.h"
#include "StringTable.h"
#include "UserPrompt.h"

#include <QFile>

#include <cstdio>
#include <unistd.h>

namespace lumicap {

namespace {
// Progress on stderr: a bar that redraws itself on a terminal, a line per
// image otherwise.
class TerminalProgress : public BatchProgress
{
public:
    TerminalProgress() : terminal_(::isatty(STDERR_FILENO) == 1) {}

    void open() override {}
    void update(const QString &name, int position) override
    {
        if (terminal_) {
            const int filled = position / 5;
            std::fprintf(stderr, "\r[%s%s] %3d%% %-40.40s", QByteArray(filled, '#').constData(), QByteArray(20 - filled, '.').constData(),
                         position, name.toUtf8().constData());
            std::fflush(stderr);
            drawn_ = true;
        } else {
            printError(QString("[%1%] %2").arg(position, 3).arg(name));
        }
    }
    void close() override { endLine(); }
    bool cancelled() const override { return false; }
    void afterImage() override {}

    void endLine()
    {
        if (drawn_)
            std::fputc('\n', stderr);
        drawn_ = false;
    }

private:
    bool terminal_;
    bool drawn_ = false;
};

// Questions are answered by --keep-going; messages go to stderr.
class ConsolePrompt : public UserPrompt
{
public:
    ConsolePrompt(TerminalProgress &progress, bool keepGoing) : progress_(progress), keepGoing_(keepGoing) {}

    void showMessage(const QString &text) override
    {
        progress_.endLine();
        printError(text);
    }
    bool askYesNo(const QString &text) override
    {
        progress_.endLine();
        printError(text.section('\n', 0, 0)); // the error; --keep-going answers the question
        return keepGoing_;
    }
    void beginWait() override {}
    void endWait() override {}

private:
    TerminalProgress &progress_;
    bool keepGoing_;
};
} // namespace

int runBatchCommand(const QString &listFile, const BatchRequest &request)
{
    const QByteArray listPath = QFile::encodeName(listFile);
    BatchList list;
    if (!ParseListFile(listPath, list)) {
        printError(formatString(IDS_LIST_MISSING, listFile.toUtf8().constData()));
        return 1;
    }
    TerminalProgress progress;
    ConsolePrompt prompt(progress, request.keepGoing);
    BatchRun run(prompt, progress);
    const BatchSummary summary = run.RunBatch(list, listPath, {request.artist, request.copyright, request.removeAllExif});
    printOut(formatString(IDS_CLI_BATCH_SUMMARY, summary.saved, summary.skipped, summary.failed));
    return summary.failed == 0 ? 0 : 1;
}

} // namespace lumicap
