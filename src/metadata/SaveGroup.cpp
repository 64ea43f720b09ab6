#include "metadata/SaveGroup.h"

#include "imaging/ExifCodec.h"
#include "imaging/FileBytes.h"
#include "platform/HeldFile.h"
#include "metadata/Journal.h"
#include "platform/MappedFile.h"
#include "metadata/MetadataWriter.h"
#include "metadata/NewFileSpans.h"
#include "platform/NativePath.h"
#include "metadata/PathOps.h"
#include "metadata/SaveSteps.h"
#include "imaging/Sidecars.h"
#include "imaging/TagBytes.h"
#include "platform/TemporaryFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <future>
#include <new>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

namespace lumicap {

namespace {
// How long a save waits for another save of the same picture to finish.
constexpr std::chrono::milliseconds lockWait(3000);
// How many of a new file's last bytes the journal keeps a digest of
// (tailDigest).
constexpr qint64 journalTail = 64 * 1024;

ImageStatus stepFault(SaveStep step)
{
    const int error = saveStepFault(step);
    return error ? toImageStatus(platform::statusFromSystemError(error)) : ImageStatus::Ok;
}

// A raw file's first sidecar starts as an empty file made here, never over
// one another program made meanwhile, and is then written as any sidecar
// is: its text appears in one rename. created tells whether it was ours.
ImageStatus createEmptySidecar(const QByteArray &path, bool &created)
{
    QFile file(QFile::decodeName(path));
    created = file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
    if (created || QFileInfo::exists(file.fileName()))
        return ImageStatus::Ok;
    return file.error() == QFileDevice::PermissionsError ? ImageStatus::AccessDenied : ImageStatus::Win32Error;
}

// An empty sidecar of ours that a failed save leaves is taken away again.
void removeIfEmpty(const QByteArray &path)
{
    const QFileInfo info(QFile::decodeName(path));
    if (info.isFile() && !info.isSymLink() && info.size() == 0)
        QFile::remove(info.filePath());
}
} // namespace

struct SaveGroup::Pending
{
    QByteArray path;
    platform::HeldFile held;
    FileStamp before;
    std::filesystem::path folder;
    // None when the picture already holds what the edits would write.
    std::unique_ptr<platform::TemporaryFile> temporary;
    ImageStatus flushed = ImageStatus::Ok;
    // A raw file's second sidecar is not a picture of its own.
    bool counted = true;
    // An empty sidecar made for this save (see createEmptySidecar).
    bool emptyMade = false;
    bool replaced = false;
    // What the journal is told before the rename; no fields when the
    // journal is off.
    JournalEntry entry;

    // Everything from the hold on is done with the picture held: the bytes
    // the edits are applied to are the bytes that are replaced.
    ImageStatus write(ImageHolder &image, qint64 &written, bool journaled)
    {
        if (ImageStatus s = toImageStatus(held.hold(platform::pathFromBytes(path.toStdString()), lockWait)); s != ImageStatus::Ok)
            return s;
        folder = held.target().parent_path();
        // The picture's pixels stay on disk: only what the tags and the
        // structure need is read, and the new file takes the rest from the
        // picture (on a clone, where it already is).
        QByteArray &bytes = readBuffer();
        std::vector<ByteRun> unread;
        if (ImageStatus s = readTagBytes(held.file(), bytes, unread, &before); s != ImageStatus::Ok)
            return s;
        if (ImageStatus s = toImageStatus(held.checkReplaceable(before)); s != ImageStatus::Ok)
            return s;
        if (journaled)
            entry.fields = oldFields(image, bytes);
        bool unchanged = false;
        QList<QByteArray> pieces;
        if (ImageStatus s = image.encodeInto(bytes, unchanged, pieces); s != ImageStatus::Ok || unchanged) {
            held.release();
            return s;
        }
        std::optional<NewFileSpans> spans(std::in_place, pieces, bytes, unread);
        if (journaled && !spans->inMemory(spans->size() - journalTail, spans->size())) {
            // The journal's digest of the new file's last bytes needs some
            // that were left on disk (a structure that shrank a lot): the
            // picture is read whole and edited again.
            pieces.clear();
            unread.clear();
            if (ImageStatus s = readOpenFile(held.file(), bytes); s != ImageStatus::Ok)
                return s;
            if (ImageStatus s = image.encodeInto(bytes, unchanged, pieces); s != ImageStatus::Ok || unchanged) {
                held.release();
                return s;
            }
            spans.emplace(pieces, bytes, unread);
        }
        if (journaled)
            entry.tail = tailDigest(pieces);
        temporary = std::make_unique<platform::TemporaryFile>(held);
        if (ImageStatus s = toImageStatus(temporary->create(before)); s != ImageStatus::Ok)
            return s;
        const bool cloned = temporary->startAsClone();
        if (ImageStatus s = stepFault(SaveStep::TemporaryCreated); s != ImageStatus::Ok)
            return s;
        if (ImageStatus s = spans->write(
                *temporary, held.file(), static_cast<qint64>(before.size), cloned, [] { return stepFault(SaveStep::HalfWritten); }, written);
            s != ImageStatus::Ok)
            return s;
        return cloned ? readBack(image, pieces) : ImageStatus::Ok;
    }

    // What a cloned start leaves on disk is read back: the file that will
    // be renamed must read as the bytes the edits made and checked.
    ImageStatus readBack(const ImageHolder &image, const QList<QByteArray> &pieces)
    {
        platform::MappedFile written;
        if (ImageStatus s = toImageStatus(written.map(temporary->handle())); s != ImageStatus::Ok)
            return s;
        const QByteArray intended = pieces.size() == 1 ? pieces.front() : pieces.join();
        return image.checkWritten(QByteArray::fromRawData(written.data(), static_cast<qsizetype>(written.size())), intended);
    }

    // The fields the edits change, with what the file holds now: as the
    // picture was read when it is still that file (a raw file's sidecar is
    // read with it), else read again from its bytes.
    std::vector<JournalField> oldFields(const ImageHolder &image, const QByteArray &bytes) const
    {
        if (image.format() == ImageFormat::Raw || image.stamp().sameContentAs(before))
            return changedFields(image.readTags(), image.copies(), image.edits());
        std::vector<TagItem> tags;
        FieldCopies copies;
        if (ExifCodec::readTags(image.format(), bytes, tags, nullptr) == ImageStatus::Ok)
            ExifCodec::readCopies(image.format(), bytes, tags, copies);
        return changedFields(tags, copies, image.edits());
    }

    // The picture's new file takes its place, unless another program wrote
    // the picture since it was read: that change would be lost.
    ImageStatus replace()
    {
        if (flushed != ImageStatus::Ok)
            return flushed;
        if (ImageStatus s = stepFault(SaveStep::Flushed); s != ImageStatus::Ok)
            return s;
        FileStamp now;
        if (held.writerArrived() || platform::stampOf(held.target(), now) != platform::FileStatus::Ok || !now.sameContentAs(before))
            return ImageStatus::ObjectBusy;
        if (ImageStatus s = stepFault(SaveStep::Renaming); s != ImageStatus::Ok)
            return s;
        if (ImageStatus s = toImageStatus(temporary->replace(platform::FolderFlush::Later)); s != ImageStatus::Ok)
            return s;
        replaced = true;
        (void)saveStepFault(SaveStep::Renamed);
        return ImageStatus::Ok;
    }
};

SaveGroup::SaveGroup()
    : journal_(Journal::user())
{}
SaveGroup::~SaveGroup() = default;

ImageStatus SaveGroup::add(ImageHolder &image, const QByteArray &path)
{
    if (!image.isOpen())
        return ImageStatus::WrongState;
    struct Release
    {
        ~Release() { releaseLargeReadBuffer(); }
    } release;
    try {
        // A raw file is never written: each of its sidecars is, as a picture
        // is; one is made when it has none.
        std::vector<QByteArray> targets{path};
        bool made = false;
        if (image.format() == ImageFormat::Raw) {
            targets = Sidecars::existing(path);
            if (targets.empty()) {
                targets = {Sidecars::newName(path)};
                if (ImageStatus s = createEmptySidecar(targets.front(), made); s != ImageStatus::Ok)
                    return s;
            }
        }
        std::vector<std::unique_ptr<Pending>> added;
        qint64 bytes = 0;
        for (const QByteArray &target : targets) {
            auto picture = std::make_unique<Pending>();
            picture->path = target;
            picture->counted = added.empty();
            picture->emptyMade = made;
            qint64 written = 0;
            const ImageStatus s = picture->write(image, written, journal_.has_value());
            if (s != ImageStatus::Ok || (made && !picture->temporary)) {
                picture.reset(); // lets go of the file first
                if (made)
                    removeIfEmpty(target);
                if (s != ImageStatus::Ok)
                    return s;
            }
            if (picture) {
                picture->entry.path = absolutePath(path);
                added.push_back(std::move(picture));
            }
            bytes += written;
        }
        if (added.empty()) { // a new sidecar with nothing to say
            added.push_back(std::make_unique<Pending>());
            added.back()->path = path;
        }
        for (auto &picture : added)
            pending_.push_back(std::move(picture));
        bytes_ += bytes;
        return ImageStatus::Ok;
    } catch (const std::bad_alloc &) {
        readBuffer() = QByteArray();
        return ImageStatus::OutOfMemory;
    }
}

bool SaveGroup::holds(const QByteArray &path) const
{
    const auto held = [this](const QByteArray &file) {
        FileStamp stamp;
        if (platform::stampOf(platform::pathFromBytes(file.toStdString()), stamp) != platform::FileStatus::Ok)
            return false;
        return std::any_of(pending_.begin(), pending_.end(), [&stamp](const std::unique_ptr<Pending> &picture) {
            return picture->before.device == stamp.device && picture->before.inode == stamp.inode;
        });
    };
    // A raw file's sidecars are what a save of it holds.
    const std::vector<QByteArray> sidecars = Sidecars::existing(path);
    return held(path) || std::any_of(sidecars.begin(), sidecars.end(), held);
}

// An entry for each new file that is flushed, with the identity it will have
// as the picture; a picture that then fails to be renamed leaves an entry
// whose identity no file has, which undo passes over.
ImageStatus SaveGroup::journalPending()
{
    const QByteArray run = Journal::runId();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    std::vector<QByteArray> lines;
    for (const auto &picture : pending_) {
        if (!picture->temporary || picture->flushed != ImageStatus::Ok)
            continue;
        JournalEntry &entry = picture->entry;
        entry.file = QByteArray::fromStdString(platform::bytesFromPath(picture->held.target()));
        entry.before = picture->before;
        if (ImageStatus s = toImageStatus(platform::stampOf(picture->temporary->path(), entry.after)); s != ImageStatus::Ok)
            return s;
        entry.time = now;
        entry.run = run;
        lines.push_back(entry.toLine());
    }
    return journal_->append(lines);
}

SaveGroup::Result SaveGroup::commit()
{
    Result result;
    std::vector<const std::filesystem::path *> folders;
    try {
        folders.reserve(pending_.size());
        // The first new file is flushed on this thread, the others each on
        // a thread of its own; where no thread can be had, here as well.
        std::vector<std::future<platform::FileStatus>> inFlight(pending_.size());
        bool first = true;
        for (std::size_t k = 0; k < pending_.size(); ++k) {
            platform::TemporaryFile *temporary = pending_[k]->temporary.get();
            if (!temporary || std::exchange(first, false))
                continue;
            try {
                inFlight[k] = std::async(std::launch::async, &platform::TemporaryFile::flush, temporary);
            } catch (const std::system_error &) {}
        }
        for (std::size_t k = 0; k < pending_.size(); ++k) {
            if (platform::TemporaryFile *temporary = pending_[k]->temporary.get())
                pending_[k]->flushed = toImageStatus(inFlight[k].valid() ? inFlight[k].get() : temporary->flush());
        }
        // Every new file is on disk; the journal is, before any is renamed.
        if (result.status == ImageStatus::Ok && journal_)
            result.status = journalPending();
    } catch (const std::bad_alloc &) {
        result.status = ImageStatus::OutOfMemory;
    }

    // Renamed in the order they came; nothing from here on takes memory.
    for (const auto &picture : pending_) {
        if (result.status == ImageStatus::Ok && picture->temporary)
            result.status = picture->replace();
        if (result.status != ImageStatus::Ok) {
            result.failedPath = picture->path;
            break;
        }
        const auto same = [&picture](const std::filesystem::path *folder) { return *folder == picture->folder; };
        if (picture->temporary && std::none_of(folders.begin(), folders.end(), same))
            folders.push_back(&picture->folder);
        result.saved += picture->counted ? 1 : 0;
    }
    for (const std::filesystem::path *folder : folders)
        platform::flushFolder(*folder);
    std::vector<QByteArray> emptyMade;
    for (const auto &picture : pending_) {
        if (picture->emptyMade && !picture->replaced)
            emptyMade.push_back(picture->path);
    }
    pending_.clear();
    for (const QByteArray &sidecar : emptyMade)
        removeIfEmpty(sidecar);
    bytes_ = 0;
    return result;
}

} // namespace lumicap
