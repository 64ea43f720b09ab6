#include "editor/PreviewCache.h"

#include "imaging/ImageHolder.h"
#include "editor/PreviewGeometry.h"

#include <algorithm>

namespace lumicap {

namespace {
constexpr std::uint16_t orientationTag = 0x0112;

int orientationIn(const std::vector<TagItem> &tags)
{
    for (const TagItem &tag : tags) {
        if (tag.id == orientationTag && tag.group == primaryGroup)
            return orientationFromTag(tag.value);
    }
    return 1;
}

// A decode on the worker: the picture opened on its own (its tags, size and
// stamp), decoded at the frame's size and let go again.
QImage decodeFile(const QByteArray &path, const QRect &frame, FileStamp &stamp)
{
    ImageHolder image;
    if (image.open(path) != ImageStatus::Ok)
        return {};
    stamp = image.stamp();
    return image.preview(previewDecodeSize(frame, image.size(), PreviewCache::orientationOf(image)));
}
} // namespace

PreviewCache::PreviewCache()
{
    pool_.setMaxThreadCount(1);
}

PreviewCache::~PreviewCache()
{
    ++generation_;
    pool_.clear();
    pool_.waitForDone();
}

int PreviewCache::orientationOf(const ImageHolder &image)
{
    // A HEIF picture is decoded turned as its own boxes say (irot, imir);
    // its Exif orientation only repeats them.
    return image.format() == ImageFormat::Heif ? 1 : orientationIn(image.tags());
}

QImage PreviewCache::shown(const ImageHolder &image, const QRect &frame)
{
    frame_ = frame;
    const auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry &e) { return e.path == image.path() && e.frame == frame.size(); });
    const bool asked = asked_.path == image.path() && asked_.frame == frame.size() && asked_.stamp.sameContentAs(image.stamp());
    const auto fits = [&] { return it->image.isNull() || it->image.size() == previewDecodeSize(frame, image.size(), orientationOf(image)); };
    if (it != entries_.end() && (asked || (it->stamp.sameContentAs(image.stamp()) && fits())))
        return it->image;
    if (!asked) {
        // Not decoded at this size, or decoded before the file changed.
        if (it != entries_.end())
            entries_.erase(it);
        asked_ = Entry{image.path(), frame.size(), image.stamp(), {}};
        if (!(busy_ && running_.path == image.path() && running_.frame.size() == frame.size()))
            enqueue(image.path(), true);
    }
    return {};
}

void PreviewCache::preload(const QByteArray &shown, const std::vector<QByteArray> &neighbours)
{
    wanted_ = neighbours;
    wanted_.insert(wanted_.begin(), shown);
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                  [&](const Entry &e) { return std::find(wanted_.begin(), wanted_.end(), e.path) == wanted_.end(); }),
                   entries_.end());
    queue_.clear();
    for (const QByteArray &path : wanted_)
        enqueue(path, false);
}

void PreviewCache::cancel()
{
    ++generation_;
    pool_.clear();
    queue_.clear();
    entries_.clear();
    wanted_.clear();
    asked_ = Entry();
}

void PreviewCache::forget(const QByteArray &path)
{
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(), [&](const Entry &e) { return e.path == path; }), entries_.end());
    queue_.erase(std::remove_if(queue_.begin(), queue_.end(), [&](const Job &j) { return j.path == path; }), queue_.end());
}

bool PreviewCache::holds(const QByteArray &path) const
{
    return std::any_of(entries_.begin(), entries_.end(),
                       [&](const Entry &e) { return e.path == path && e.frame == frame_.size() && !e.image.isNull(); });
}

bool PreviewCache::known(const QByteArray &path, QSize frame) const
{
    const auto same = [&](const QByteArray &p, QSize f) { return p == path && f == frame; };
    return std::any_of(entries_.begin(), entries_.end(), [&](const Entry &e) { return same(e.path, e.frame); })
        || std::any_of(queue_.begin(), queue_.end(), [&](const Job &j) { return same(j.path, j.frame.size()); });
}

void PreviewCache::enqueue(const QByteArray &path, bool first)
{
    if (path.isEmpty() || frame_.isEmpty())
        return;
    if (first) {
        forget(path);
        queue_.push_front(Job{path, frame_});
    } else if (!known(path, frame_.size()) && !(busy_ && running_.path == path && running_.frame == frame_)) {
        queue_.push_back(Job{path, frame_});
    }
    pump();
}

void PreviewCache::pump()
{
    if (busy_ || queue_.empty())
        return;
    running_ = queue_.front();
    queue_.pop_front();
    busy_ = true;
    const quint64 generation = generation_;
    pool_.start([this, job = running_, generation] {
        Entry entry{job.path, job.frame.size(), {}, {}};
        if (generation == generation_)
            entry.image = decodeFile(job.path, job.frame, entry.stamp);
        QMetaObject::invokeMethod(
            this, [this, generation, entry] { finished(generation, entry); }, Qt::QueuedConnection);
    });
}

void PreviewCache::finished(quint64 generation, Entry entry)
{
    busy_ = false;
    if (generation == generation_) {
        const QByteArray path = entry.path;
        entries_.erase(std::remove_if(entries_.begin(), entries_.end(), [&](const Entry &e) { return e.path == path && e.frame == entry.frame; }),
                       entries_.end());
        entries_.push_back(std::move(entry));
        // Only the wanted pictures stay, and never more than maxHeld: the
        // oldest go first.
        if (!wanted_.empty() && entries_.size() > maxHeld)
            entries_.erase(
                std::remove_if(entries_.begin(), entries_.end(),
                               [&](const Entry &e) { return e.path != path && std::find(wanted_.begin(), wanted_.end(), e.path) == wanted_.end(); }),
                entries_.end());
        while (entries_.size() > maxHeld)
            entries_.erase(entries_.begin());
        Q_EMIT decoded(path);
    }
    pump();
}

} // namespace lumicap
