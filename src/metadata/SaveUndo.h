#pragma once

#include "imaging/ImageStatus.h"
#include "metadata/JournalEntry.h"

#include <QByteArray>
#include <QDateTime>

#include <vector>

namespace lumicap {

// What taking back one save of one picture came to.
struct UndoResult
{
    enum class Outcome {
        Restored,      // saved with the old texts of the fields in restored
        ChangedSince,  // every field the save wrote was changed again since: nothing written
        NothingToUndo, // no save of the picture, or the save never replaced it (stopped before its rename)
        Replaced,      // the picture is another file than the one saved: refused
        Failed,        // could not be opened or saved: status
    };
    QByteArray path;
    Outcome outcome = Outcome::NothingToUndo;
    ImageStatus status = ImageStatus::Ok;
    std::vector<QByteArray> restored;
    // Fields changed since the save, left as they are now.
    std::vector<QByteArray> leftAlone;
};

// Takes saves back from the journal's entries. An undo is a save like any
// other (safe, with the copies of the fields in step, journaled), so it can
// be taken back in turn. A picture is recognised as the file that save (or a
// later one) left: a file put in its place by anything else is refused. A
// field whose text is no longer what the save wrote is left alone, unless
// forced.
class SaveUndo
{
public:
    explicit SaveUndo(std::vector<JournalEntry> entries);

    // The last save of the picture that replaced it.
    UndoResult lastSave(const QByteArray &path, bool force) const;
    // Each picture of a run, in the order they were saved; empty when the
    // journal has no such run.
    std::vector<UndoResult> run(const QByteArray &id, bool force) const;

    struct RunSummary
    {
        QByteArray id;
        QDateTime time;
        int pictures = 0;
    };
    std::vector<RunSummary> runs() const;
    // The picture's saves, oldest first; one stopped before its rename is
    // not completed.
    struct Save
    {
        JournalEntry entry;
        bool completed = true;
    };
    std::vector<Save> history(const QByteArray &path) const;

private:
    UndoResult undo(std::size_t index, bool force) const;
    bool completed(std::size_t index) const;
    std::vector<JournalEntry> entries_;
    // The index of the next entry of the same file, or entries_.size().
    std::vector<std::size_t> next_;
};

} // namespace lumicap
