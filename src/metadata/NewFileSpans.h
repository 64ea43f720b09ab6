#pragma once

#include "imaging/ImageStatus.h"
#include "imaging/TagBytes.h"
#include "platform/TemporaryFile.h"

#include <QByteArray>
#include <QList>

#include <functional>
#include <vector>

namespace lumicap {

// Where each byte of a save's new file comes from: the pieces the edits made
// (ExifCodec::applyEdits), except where a piece is a view of a run of the
// picture that was never read (readTagBytes): those bytes are the picture's
// on disk, at the same offset or, when a segment before them changed length,
// another.
class NewFileSpans
{
public:
    // read is the buffer the picture was read into and the edits applied to.
    NewFileSpans(const QList<QByteArray> &pieces, const QByteArray &read, const std::vector<ByteRun> &unread);

    qint64 size() const { return size_; }
    // Whether every byte of [begin, end) is in the pieces' memory.
    bool inMemory(qint64 begin, qint64 end) const;

    // Writes the new file. Into an empty file, every byte in order; into a
    // clone of the picture (old, of oldSize bytes), only the bytes that
    // differ from the picture's at the same place (blocks of the picture left
    // where they are cost nothing), then its length. halfWay is called once,
    // when about half of the file is written; a failure it returns ends the
    // write. written counts the bytes actually written (on a clone, a few
    // blocks of a large picture), which is what flushing the file costs.
    ImageStatus write(platform::TemporaryFile &file, const platform::OpenFile &old, qint64 oldSize, bool cloned,
                      const std::function<ImageStatus()> &halfWay, qint64 &written) const;

private:
    struct Span
    {
        qint64 at = 0;
        qint64 size = 0;
        const char *data = nullptr; // null: the picture's bytes at from
        qint64 from = 0;
    };
    std::vector<Span> spans_;
    qint64 size_ = 0;
};

} // namespace lumicap
