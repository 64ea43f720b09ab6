#include "metadata/SaveUndo.h"

#include "metadata/Journal.h"
#include "metadata/MetadataReader.h"
#include "platform/NativePath.h"
#include "platform/OpenFile.h"
#include "metadata/PathOps.h"
#include "metadata/SafeSave.h"
#include "metadata/TextEncoding.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

namespace lumicap {

namespace {
std::optional<QByteArray> tagValue(const ImageHolder &image, std::uint16_t tag)
{
    const auto &tags = image.tags();
    const auto stored = std::find_if(tags.rbegin(), tags.rend(), [tag](const TagItem &t) { return t.id == tag && t.group == primaryGroup; });
    return stored == tags.rend() ? std::nullopt : std::optional<QByteArray>(stored->value);
}

// A text ends at its first zero, as it does when read.
bool sameText(const std::optional<QByteArray> &a, const std::optional<QByteArray> &b)
{
    const auto text = [](const QByteArray &v) { return v.left(v.indexOf('\0') < 0 ? v.size() : v.indexOf('\0')); };
    return a.has_value() == b.has_value() && (!a || text(*a) == text(*b));
}

// The text the copies get back: the one they all held, else the tag's own.
QByteArray oldCopyText(const JournalField &f)
{
    const auto &copies = f.oldCopies;
    if (!copies.empty() && std::all_of(copies.begin(), copies.end(), [&](const TextCopy &c) { return c.text == copies.front().text; }))
        return copies.front().text;
    const QByteArray old = f.oldValue.value_or(QByteArray());
    return displayText(old.left(old.indexOf('\0') < 0 ? old.size() : old.indexOf('\0'))).toUtf8();
}

std::optional<QByteArray> &copyEditFor(CopyEdits &edits, std::uint16_t tag)
{
    return tag == descriptionTag ? edits.description : tag == artistTag ? edits.artist : edits.copyright;
}

// The copies the save gave the field's text are put back; those it made
// (none of that place before it) go again.
void putBackCopies(CopyEdits &edits, const JournalField &f)
{
    copyEditFor(edits, f.tag) = oldCopyText(f);
    const auto made = [&f](const char *where) {
        return std::none_of(f.oldCopies.begin(), f.oldCopies.end(), [where](const TextCopy &c) { return c.where == where; });
    };
    CopyEdits::Removal &removal = f.tag == descriptionTag ? edits.removeDescription : f.tag == artistTag ? edits.removeArtist : edits.removeCopyright;
    removal = {made("XMP"), made("IPTC")};
}

// Whether a file seen after the save is still the one the save read, as it
// read it: its size and time tell it, as the identity alone cannot (the
// inode of a file deleted may be given to a new one; a Windows replace may
// keep the replaced file's id).
bool stillAsRead(const JournalEntry &e, const FileStamp &later)
{
    return !sameFile(later, e.after) && later.sameContentAs(e.before);
}
} // namespace

SaveUndo::SaveUndo(std::vector<JournalEntry> entries)
    : entries_(std::move(entries))
    , next_(entries_.size(), entries_.size())
{
    std::map<QByteArray, std::size_t> seen;
    for (std::size_t k = entries_.size(); k-- > 0;) {
        const auto [at, added] = seen.emplace(entries_[k].file, k);
        if (!added)
            next_[k] = std::exchange(at->second, k);
    }
}

// The entry is written before the rename, so a save stopped in between left
// one too. The next save of the same file read either the file this one
// left or the one this one read; without a next save, the file now tells.
bool SaveUndo::completed(std::size_t index) const
{
    const JournalEntry &e = entries_[index];
    FileStamp later;
    if (next_[index] < entries_.size())
        later = entries_[next_[index]].before;
    else if (platform::stampOf(platform::pathFromBytes(e.file.toStdString()), later) != platform::FileStatus::Ok)
        return true; // nothing tells; undo names the file missing
    return !stillAsRead(e, later);
}

UndoResult SaveUndo::undo(std::size_t index, bool force) const
{
    const JournalEntry &e = entries_[index];
    UndoResult result;
    result.path = e.path;
    if (!completed(index))
        return result;
    FileStamp now;
    if (const auto s = platform::stampOf(platform::pathFromBytes(e.file.toStdString()), now); s != platform::FileStatus::Ok) {
        result.outcome = UndoResult::Outcome::Failed;
        result.status = toImageStatus(s);
        return result;
    }
    // The file this save left, or one a later save of ours left in its place.
    const auto later = [&](const JournalEntry &x) { return x.file == e.file && sameFile(x.after, now); };
#ifdef _WIN32
    // Should a replace keep the replaced file's id there, the picture is
    // the file the save read, with other contents (a Windows file id is
    // never given to another file: it holds a sequence number).
    const bool keptId = sameFile(e.before, now) && !e.before.sameContentAs(now);
#else
    const bool keptId = false;
#endif
    // Else it is still the file the save read, untouched (its size and time
    // too: the inode of a deleted file may be given to a new one), when the
    // save stopped before its rename; or another file.
    const auto latest = std::find_if(entries_.rbegin(), std::make_reverse_iterator(entries_.begin() + static_cast<std::ptrdiff_t>(index)), later);
    if (!keptId && latest == std::make_reverse_iterator(entries_.begin() + static_cast<std::ptrdiff_t>(index))) {
        result.outcome = e.before.sameContentAs(now) ? UndoResult::Outcome::NothingToUndo : UndoResult::Outcome::Replaced;
        return result;
    }
    // The file our last save left, written since by another hand: another
    // photo copied over it (its last bytes differ) is refused like a file
    // put in its place, whatever its fields say.
    if (!keptId && !latest->after.sameContentAs(now) && !latest->tail.isEmpty() && tailDigestOfFile(e.file) != latest->tail) {
        result.outcome = UndoResult::Outcome::Replaced;
        return result;
    }
    ImageStatus status;
    const auto image = openImageFile(e.path, status);
    if (status != ImageStatus::Ok) {
        result.outcome = UndoResult::Outcome::Failed;
        result.status = status;
        return result;
    }
    CopyEdits copies;
    for (const JournalField &f : e.fields) {
        const auto current = tagValue(*image, f.tag);
        if (!force && !sameText(current, f.newValue)) {
            result.leftAlone.push_back(f.name());
            continue;
        }
        if (f.oldValue)
            image->setTag(TagItem{f.tag, f.oldType, *f.oldValue, primaryGroup});
        else if (current)
            image->removeTag(f.tag);
        if (f.newCopies)
            putBackCopies(copies, f);
        result.restored.push_back(f.name());
    }
    if (result.restored.empty()) {
        result.outcome = result.leftAlone.empty() ? UndoResult::Outcome::NothingToUndo : UndoResult::Outcome::ChangedSince;
        return result;
    }
    image->setCopies(copies);
    result.status = saveImageFile(*image, e.path);
    result.outcome = result.status == ImageStatus::Ok ? UndoResult::Outcome::Restored : UndoResult::Outcome::Failed;
    return result;
}

UndoResult SaveUndo::lastSave(const QByteArray &path, bool force) const
{
    const QByteArray absolute = absolutePath(path);
    std::vector<std::size_t> saves;
    for (std::size_t k = 0; k < entries_.size(); ++k) {
        if (entries_[k].path == absolute && completed(k))
            saves.push_back(k);
    }
    if (saves.empty()) {
        UndoResult none;
        none.path = absolute;
        return none;
    }
    // The newest save whose file is the picture now.
    std::map<QByteArray, std::optional<FileStamp>> now; // each file looked at once
    for (auto k = saves.rbegin(); k != saves.rend(); ++k) {
        const QByteArray &file = entries_[*k].file;
        if (!now.count(file)) {
            FileStamp stamp;
            const bool found = platform::stampOf(platform::pathFromBytes(file.toStdString()), stamp) == platform::FileStatus::Ok;
            now[file] = found ? std::optional<FileStamp>(stamp) : std::nullopt;
        }
        if (now[file] && sameFile(*now[file], entries_[*k].after))
            return undo(*k, force);
    }
    return undo(saves.back(), force);
}

std::vector<UndoResult> SaveUndo::run(const QByteArray &id, bool force) const
{
    // One undo per picture (a raw file's two sidecars are one picture), and
    // the whole of it one run of its own.
    Journal::Run undoRun;
    std::vector<UndoResult> results;
    std::set<QByteArray> done;
    for (std::size_t k = 0; k < entries_.size(); ++k) {
        if (entries_[k].run == id && done.insert(entries_[k].path).second)
            results.push_back(undo(k, force));
    }
    return results;
}

std::vector<SaveUndo::RunSummary> SaveUndo::runs() const
{
    std::vector<RunSummary> all;
    std::map<QByteArray, std::size_t> index;
    std::set<std::pair<QByteArray, QByteArray>> counted;
    for (std::size_t k = 0; k < entries_.size(); ++k) {
        const JournalEntry &e = entries_[k];
        if (!completed(k))
            continue;
        const auto [at, added] = index.emplace(e.run, all.size());
        if (added)
            all.push_back({e.run, e.time, 0});
        all[at->second].pictures += counted.insert({e.run, e.path}).second ? 1 : 0;
    }
    return all;
}

std::vector<SaveUndo::Save> SaveUndo::history(const QByteArray &path) const
{
    const QByteArray absolute = absolutePath(path);
    std::vector<Save> saves;
    for (std::size_t k = 0; k < entries_.size(); ++k) {
        if (entries_[k].path == absolute)
            saves.push_back({entries_[k], completed(k)});
    }
    return saves;
}

} // namespace lumicap
