#include "cli/UndoCommand.h"

#include "cli/ConsoleOutput.h"
#include "metadata/Journal.h"
#include "metadata/SaveUndo.h"
#include "resources/StringTable.h"

namespace lumicap {

namespace {
QByteArray names(const std::vector<QByteArray> &fields)
{
    QByteArray joined;
    for (const QByteArray &field : fields)
        joined += (joined.isEmpty() ? "" : ", ") + field;
    return joined;
}

QByteArray localTime(const QDateTime &time)
{
    return time.toLocalTime().toString("yyyy-MM-dd HH:mm:ss").toLatin1();
}

// Reports one picture; true when it was put back entirely.
bool report(const UndoResult &r, const QByteArray &shown)
{
    using Outcome = UndoResult::Outcome;
    if (!r.restored.empty())
        printOut(formatString(IDS_UNDO_RESTORED, shown.constData(), names(r.restored).constData()));
    if (!r.leftAlone.empty())
        printError(formatString(IDS_UNDO_LEFT_ALONE, shown.constData(), names(r.leftAlone).constData()));
    switch (r.outcome) {
    case Outcome::Restored: break;
    case Outcome::ChangedSince: break;
    case Outcome::NothingToUndo: printError(formatString(IDS_UNDO_NOTHING, shown.constData())); break;
    case Outcome::Replaced: printError(formatString(IDS_UNDO_REPLACED, shown.constData())); break;
    case Outcome::Failed:
        printError(formatString(r.status == ImageStatus::FileNotFound ? IDS_LOAD_ERROR : IDS_SAVE_ERROR, statusNumber(r.status), shown.constData()));
        break;
    }
    return r.outcome == Outcome::Restored && r.leftAlone.empty();
}
} // namespace

int runHistory(const std::vector<QByteArray> &files)
{
    const SaveUndo journal(Journal(Journal::userFolder()).entries());
    int failures = 0;
    for (const QByteArray &file : files) {
        const QByteArray shown = shownText(file).toUtf8();
        const std::vector<SaveUndo::Save> saves = journal.history(file);
        if (saves.empty()) {
            ++failures;
            printError(formatString(IDS_HISTORY_NONE, shown.constData()));
            continue;
        }
        printOut(QString::fromUtf8(shown));
        const QString absent = loadString(IDS_HISTORY_ABSENT);
        const auto text = [&absent](const std::optional<QByteArray> &v) {
            return v ? shownText(v->left(v->indexOf('\0') < 0 ? v->size() : v->indexOf('\0'))) : absent;
        };
        for (const auto &[save, completed] : saves) {
            printOut(formatString(completed ? IDS_HISTORY_SAVE : IDS_HISTORY_NOT_DONE, localTime(save.time).constData(), save.run.constData()));
            for (const JournalField &f : save.fields)
                printOut(formatString(IDS_HISTORY_FIELD, f.name(), text(f.oldValue).toUtf8().constData(), text(f.newValue).toUtf8().constData()));
        }
    }
    return failures == 0 ? 0 : 1;
}

int runUndo(const std::vector<QByteArray> &files, const std::optional<QByteArray> &run, bool listRuns, bool force)
{
    const SaveUndo journal(Journal(Journal::userFolder()).entries());
    if (listRuns) {
        for (const SaveUndo::RunSummary &r : journal.runs())
            printOut(formatString(IDS_UNDO_RUN_LINE, r.id.constData(), localTime(r.time).constData(), r.pictures));
        return 0;
    }
    int failures = 0;
    if (run) {
        const std::vector<UndoResult> results = journal.run(*run, force);
        if (results.empty()) {
            printError(formatString(IDS_UNDO_NO_RUN, shownText(*run).toUtf8().constData()));
            return 1;
        }
        for (const UndoResult &r : results)
            failures += report(r, shownText(r.path).toUtf8()) ? 0 : 1;
        return failures == 0 ? 0 : 1;
    }
    const Journal::Run undoRun; // the pictures undone together are one run
    for (const QByteArray &file : files)
        failures += report(journal.lastSave(file, force), shownText(file).toUtf8()) ? 0 : 1;
    return failures == 0 ? 0 : 1;
}

} // namespace lumicap
