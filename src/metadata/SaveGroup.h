#pragma once

#include "imaging/ImageHolder.h"
#include "imaging/ImageStatus.h"
#include "metadata/Journal.h"

#include <QByteArray>

#include <memory>
#include <vector>

namespace lumicap {

// Safe saves of several pictures made durable together (group commit), as a
// batch makes them. Each picture is saved as saveImageFile says, in two
// halves:
//  - add() holds the picture (lock and lease, kept until the group is
//    done), reads it, applies the edits and writes the new file "_~NAME"
//    beside it, not yet flushed;
//  - commit() flushes every new file at once, on worker threads (a disk
//    answers flushes that wait side by side in about the time of one), then,
//    in the order they were added, checks each picture for other writers and
//    renames its new file over it, and last flushes each folder once.
// A picture is its old file until its rename and its new one after; at no
// moment is one missing or half-written. The first picture that fails ends
// the commit: the ones before it are saved, it and the ones after it stay as
// they were, and no temporary file of theirs remains. Before the first
// rename, what each save replaces goes to the user's journal (Journal); a
// journal that cannot be written fails the commit, and nothing is renamed.
class SaveGroup
{
public:
    // How much a group holds before it is committed. Measured under 5 ms
    // flushes (docs/performance.md): 16 pictures wait about as long as 32,
    // while each one holds two file handles and its picture's lock and lease.
    // The bytes are those the new files were written with: a cloned save
    // of a large picture writes a few blocks, and its flush costs as little.
    static constexpr int maxPictures = 16;
    static constexpr qint64 maxBytes = qint64(64) << 20;

    SaveGroup();
    ~SaveGroup(); // drops what was not committed: those pictures stay as they were
    SaveGroup(const SaveGroup &) = delete;
    SaveGroup &operator=(const SaveGroup &) = delete;

    // Holds the picture at path and writes its new file. On failure nothing
    // of this picture remains and the group is as it was.
    ImageStatus add(ImageHolder &image, const QByteArray &path);

    bool empty() const { return pending_.empty(); }
    bool full() const { return static_cast<int>(pending_.size()) >= maxPictures || bytes_ >= maxBytes; }
    // Whether the file at path (a link's target) is one the group holds.
    bool holds(const QByteArray &path) const;

    struct Result
    {
        int saved = 0;                        // pictures replaced, or already holding their values
        ImageStatus status = ImageStatus::Ok; // of the first that failed
        QByteArray failedPath;
    };
    // Saves what was added and empties the group.
    Result commit();

private:
    struct Pending;
    ImageStatus journalPending();
    std::optional<Journal> journal_;
    std::vector<std::unique_ptr<Pending>> pending_;
    qint64 bytes_ = 0;
};

} // namespace lumicap
