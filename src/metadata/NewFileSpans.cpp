#include "metadata/NewFileSpans.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

namespace lumicap {

NewFileSpans::NewFileSpans(const QList<QByteArray> &pieces, const QByteArray &read, const std::vector<ByteRun> &unread)
{
    const auto base = reinterpret_cast<std::uintptr_t>(read.constData());
    const auto add = [this](qint64 at, qint64 size, const char *data, qint64 from) {
        if (size > 0)
            spans_.push_back({at, size, data, from});
    };
    for (const QByteArray &piece : pieces) {
        const auto start = reinterpret_cast<std::uintptr_t>(piece.constData());
        const qint64 size = piece.size();
        if (unread.empty() || start < base || start + static_cast<std::uintptr_t>(size) > base + static_cast<std::uintptr_t>(read.size())) {
            add(size_, size, piece.constData(), 0);
        } else {
            // A view of the read buffer: where it covers unread runs, its
            // bytes are the picture's on disk.
            const qint64 from = static_cast<qint64>(start - base), end = from + size;
            qint64 at = from;
            for (const ByteRun &run : unread) {
                if (run.end <= at || run.begin >= end)
                    continue;
                const qint64 begin = std::max(run.begin, at), stop = std::min(run.end, end);
                add(size_ + (at - from), begin - at, piece.constData() + (at - from), 0);
                add(size_ + (begin - from), stop - begin, nullptr, begin);
                at = stop;
            }
            add(size_ + (at - from), end - at, piece.constData() + (at - from), 0);
        }
        size_ += size;
    }
}

bool NewFileSpans::inMemory(qint64 begin, qint64 end) const
{
    return std::none_of(spans_.begin(), spans_.end(), [&](const Span &s) { return !s.data && s.at < end && s.at + s.size > begin; });
}

namespace {
class SpanWriter
{
public:
    SpanWriter(platform::TemporaryFile &file, const platform::OpenFile &old, qint64 oldSize, bool cloned, const std::function<ImageStatus()> &halfWay,
               qint64 total)
        : file_(file)
        , old_(old)
        , oldSize_(oldSize)
        , cloned_(cloned)
        , halfWay_(halfWay)
        , half_(total / 2)
    {}

    // Bytes [at, end) of the new file from memory; on a clone only the
    // blocks that differ from the picture's.
    ImageStatus fromMemory(qint64 at, qint64 end, const char *data)
    {
        for (qint64 pos = at; pos < end;) {
            const qint64 stop = cut(pos, end);
            if (ImageStatus s = cloned_ ? changedBlocks(pos, stop, data + (pos - at)) : put(pos, data + (pos - at), stop - pos); s != ImageStatus::Ok)
                return s;
            if (ImageStatus s = passed(stop); s != ImageStatus::Ok)
                return s;
            pos = stop;
        }
        return ImageStatus::Ok;
    }

    // Bytes [at, end) of the new file from the picture's, from offset from
    // on; nothing to do on a clone where they keep their place. (Through
    // memory: copy_file_range, which ext4 does through a 64 KB pipe, was
    // measured 10-15 % slower for a JPEG's batch there.)
    ImageStatus fromPicture(qint64 at, qint64 end, qint64 from)
    {
        if (cloned_ && at == from)
            return passed(end);
        for (qint64 pos = at; pos < end;) {
            const qint64 stop = cut(pos, end);
            if (ImageStatus s = readOld(from + (pos - at), stop - pos); s != ImageStatus::Ok)
                return s;
            if (ImageStatus s = put(pos, window_.data(), stop - pos); s != ImageStatus::Ok)
                return s;
            if (ImageStatus s = passed(stop); s != ImageStatus::Ok)
                return s;
            pos = stop;
        }
        return ImageStatus::Ok;
    }

    static constexpr qint64 block = 4096;
    static constexpr qint64 windowSize = qint64(1) << 20; // a whole number of blocks

    // Where the piece of work from pos ends: at most a window, and at the
    // half-way point.
    qint64 cut(qint64 pos, qint64 end) const
    {
        qint64 stop = std::min(end, pos + windowSize);
        if (!halfReported_ && pos < half_)
            stop = std::min(stop, half_);
        return stop;
    }

    ImageStatus passed(qint64 end)
    {
        if (halfReported_ || end < half_)
            return ImageStatus::Ok;
        halfReported_ = true;
        return halfWay_();
    }

    qint64 written() const { return written_; }

private:
    ImageStatus put(qint64 at, const char *data, qint64 size)
    {
        written_ += size;
        return toImageStatus(file_.writeAt(at, data, static_cast<std::size_t>(size)));
    }

    // The picture's bytes [from, from + size) into the window.
    ImageStatus readOld(qint64 from, qint64 size)
    {
        window_.resize(static_cast<std::size_t>(windowSize));
        for (qint64 have = 0; have < size;) {
            std::size_t got = 0;
            if (ImageStatus s = toImageStatus(old_.readAt(from + have, window_.data() + have, static_cast<std::size_t>(size - have), got));
                s != ImageStatus::Ok)
                return s;
            if (got == 0)
                return ImageStatus::ObjectBusy; // shorter than it was a moment ago
            have += static_cast<qint64>(got);
        }
        return ImageStatus::Ok;
    }

    // Writes the blocks of [at, end) (at most a window) that differ from the
    // picture's at the same place, in runs.
    ImageStatus changedBlocks(qint64 at, qint64 end, const char *data)
    {
        const qint64 inOld = std::clamp<qint64>(oldSize_ - at, 0, end - at);
        if (inOld > 0) {
            if (ImageStatus s = readOld(at, inOld); s != ImageStatus::Ok)
                return s;
        }
        qint64 runStart = -1;
        for (qint64 pos = at; pos < end;) {
            const qint64 stop = std::min(end, (pos / block + 1) * block);
            const bool differs
                = stop > at + inOld || std::memcmp(data + (pos - at), window_.data() + (pos - at), static_cast<std::size_t>(stop - pos)) != 0;
            if (differs && runStart < 0)
                runStart = pos;
            if (!differs && runStart >= 0) {
                if (ImageStatus s = put(runStart, data + (runStart - at), pos - runStart); s != ImageStatus::Ok)
                    return s;
                runStart = -1;
            }
            pos = stop;
        }
        return runStart < 0 ? ImageStatus::Ok : put(runStart, data + (runStart - at), end - runStart);
    }

    platform::TemporaryFile &file_;
    const platform::OpenFile &old_;
    const qint64 oldSize_;
    const bool cloned_;
    const std::function<ImageStatus()> &halfWay_;
    const qint64 half_;
    bool halfReported_ = false;
    qint64 written_ = 0;
    std::vector<char> window_;
};
} // namespace

ImageStatus NewFileSpans::write(platform::TemporaryFile &file, const platform::OpenFile &old, qint64 oldSize, bool cloned,
                                const std::function<ImageStatus()> &halfWay, qint64 &written) const
{
    SpanWriter writer(file, old, oldSize, cloned, halfWay, size_);
    for (const Span &span : spans_) {
        const qint64 end = span.at + span.size;
        const ImageStatus s = span.data ? writer.fromMemory(span.at, end, span.data) : writer.fromPicture(span.at, end, span.from);
        written = writer.written();
        if (s != ImageStatus::Ok)
            return s;
    }
    return cloned && size_ != oldSize ? toImageStatus(file.setSize(size_)) : ImageStatus::Ok;
}

} // namespace lumicap
