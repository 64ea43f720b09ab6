#pragma once

#include "imaging/ImageStatus.h"
#include "metadata/JournalEntry.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace lumicap {

// The saves' journal: one JSON line per save (JournalEntry), appended and
// flushed to disk before the picture is replaced, so that every save can be
// taken back. A line torn by a crash is skipped when reading and never
// glued to the next one. It keeps the newest entries within a number of days
// and of bytes; older ones go first.
class Journal
{
public:
    struct Limits
    {
        int days = 90;
        qint64 bytes = qint64(100) << 20;
    };

    explicit Journal(const QString &folder);
    Journal(const QString &folder, Limits limits);

    // The user's journal: $XDG_STATE_HOME/lumicap (~/.local/state/lumicap)
    // here, %LOCALAPPDATA%\Lumicap on Windows; nothing when the setting
    // "Journal" is 0.
    static std::optional<Journal> user();
    static QString userFolder();

    QString filePath() const;

    // Appends the lines and makes them durable; several saves made durable
    // together share one flush.
    ImageStatus append(const std::vector<QByteArray> &lines);
    // Every whole entry, oldest first.
    std::vector<JournalEntry> entries() const;

    // The saves made while a Run lives belong to it (a batch, an undo of
    // several pictures); a save outside any run is a run of its own.
    class Run
    {
    public:
        Run();
        ~Run();
        Run(const Run &) = delete;
        Run &operator=(const Run &) = delete;
        const QByteArray &id() const { return id_; }

    private:
        QByteArray id_;
        QByteArray outer_;
    };
    // The id of the innermost living Run, or a new one.
    static QByteArray runId();

private:
    void pruneIfDue(qint64 size);

    QString folder_;
    Limits limits_;
};

} // namespace lumicap
