#include "metadata/Journal.h"

#include "metadata/AppSettings.h"
#include "platform/OpenFile.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QSet>
#include <QStandardPaths>

namespace lumicap {

namespace {
QByteArray innermostRun;

// How long an append waits for another program's append or pruning.
constexpr int lockWaitMs = 5000;

QByteArray freshRunId()
{
    return QDateTime::currentDateTimeUtc().toString("yyyyMMdd-HHmmss").toLatin1() + '-'
        + QByteArray::number(QRandomGenerator::global()->bounded(0x10000), 16).rightJustified(4, '0');
}
} // namespace

Journal::Journal(const QString &folder)
    : folder_(folder)
{}
Journal::Journal(const QString &folder, Limits limits)
    : folder_(folder)
    , limits_(limits)
{}

QString Journal::userFolder()
{
#ifdef _WIN32
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Lumicap";
#else
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || QDir::isRelativePath(state)) // as the XDG base directories say
        state = QDir::homePath() + "/.local/state";
    return state + "/lumicap";
#endif
}

std::optional<Journal> Journal::user()
{
    if (!AppSettings().flag(Setting::Journal))
        return std::nullopt;
    return Journal(userFolder());
}

QString Journal::filePath() const
{
    return folder_ + "/journal.jsonl";
}

ImageStatus Journal::append(const std::vector<QByteArray> &lines)
{
    if (lines.empty())
        return ImageStatus::Ok;
    if (!QDir().mkpath(folder_))
        return ImageStatus::AccessDenied;
    QLockFile lock(folder_ + "/journal.lock");
    if (!lock.tryLock(lockWaitMs))
        return lock.error() == QLockFile::LockFailedError ? ImageStatus::ObjectBusy : ImageStatus::AccessDenied;
    QFile file(filePath());
    pruneIfDue(file.size());
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append))
        return file.error() == QFileDevice::PermissionsError ? ImageStatus::AccessDenied : ImageStatus::Win32Error;
    QByteArray text;
    // A line cut short by a crash stays a line of its own, which reading skips.
    char last = '\n';
    if (file.size() > 0 && (!file.seek(file.size() - 1) || !file.getChar(&last)))
        return ImageStatus::Win32Error;
    if (last != '\n')
        text += '\n';
    for (const QByteArray &line : lines)
        text += line;
    if (file.write(text) != text.size() || !file.flush())
        return ImageStatus::Win32Error;
    return platform::flushDescriptor(file.handle()) == platform::FileStatus::Ok ? ImageStatus::Ok : ImageStatus::Win32Error;
}

std::vector<JournalEntry> Journal::entries() const
{
    std::vector<JournalEntry> all;
    QFile file(filePath());
    if (!file.open(QIODevice::ReadOnly))
        return all;
    while (!file.atEnd()) {
        if (auto entry = JournalEntry::fromLine(file.readLine()))
            all.push_back(std::move(*entry));
    }
    return all;
}

// Looked at under the lock, before an append: the whole file is rewritten
// only when it is over its size, or its first entry is over its age (looked
// at once a process).
void Journal::pruneIfDue(qint64 size)
{
    static QSet<QString> ageLookedAt;
    const bool overSize = size > limits_.bytes;
    if (!overSize && ageLookedAt.contains(folder_))
        return;
    ageLookedAt.insert(folder_);
    const QDateTime oldest = QDateTime::currentDateTimeUtc().addDays(-limits_.days);
    QFile file(filePath());
    if (!file.open(QIODevice::ReadOnly))
        return;
    if (!overSize) {
        const auto first = JournalEntry::fromLine(file.readLine());
        if (first && first->time >= oldest)
            return;
        file.seek(0);
    }
    // The newest entries that are young enough, within three quarters of
    // the size, so that the next prune is some way off; torn lines go.
    const QList<QByteArray> lines = file.readAll().split('\n');
    file.close(); // Windows renames nothing over a file open without delete sharing
    qint64 kept = 0;
    std::vector<qsizetype> newestFirst;
    for (qsizetype k = lines.size() - 1; k >= 0; --k) {
        const auto entry = JournalEntry::fromLine(lines[k]);
        if (!entry)
            continue;
        if (entry->time < oldest || kept + lines[k].size() + 1 > limits_.bytes * 3 / 4)
            break;
        kept += lines[k].size() + 1;
        newestFirst.push_back(k);
    }
    QSaveFile pruned(filePath());
    if (!pruned.open(QIODevice::WriteOnly))
        return;
    for (auto k = newestFirst.rbegin(); k != newestFirst.rend(); ++k)
        pruned.write(lines[*k] + '\n');
    pruned.commit();
}

Journal::Run::Run()
    : id_(freshRunId())
    , outer_(innermostRun)
{
    innermostRun = id_;
}

Journal::Run::~Run()
{
    innermostRun = outer_;
}

QByteArray Journal::runId()
{
    return innermostRun.isEmpty() ? freshRunId() : innermostRun;
}

} // namespace lumicap
