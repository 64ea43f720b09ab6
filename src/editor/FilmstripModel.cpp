#include "editor/FilmstripModel.h"

#include "editor/ThumbnailReader.h"

#include <QThread>

#include <algorithm>

namespace lumicap {

FilmstripModel::FilmstripModel()
{
    pool_.setMaxThreadCount(1);
    // Below the window and the preview where the system lets a program say
    // so (Windows); elsewhere setPausedWhile keeps it out of their way. The
    // idle class is not used: under any other load it would never run.
    pool_.setThreadPriority(QThread::LowPriority);
    retry_.setSingleShot(true);
    retry_.setInterval(15);
    connect(&retry_, &QTimer::timeout, this, &FilmstripModel::pump);
}

FilmstripModel::~FilmstripModel()
{
    ++generation_;
    pool_.clear();
    pool_.waitForDone();
}

void FilmstripModel::setPictures(const std::vector<QByteArray> &paths)
{
    ++generation_;
    pool_.clear();
    entries_.clear();
    entries_.reserve(paths.size());
    for (const QByteArray &path : paths)
        entries_.push_back(Entry{path, {}, {}, false, 0});
    current_ = -1;
    edited_ = false;
    first_ = 0;
    last_ = -1;
    sweep_ = 0;
    Q_EMIT reset();
    pump();
}

void FilmstripModel::setCurrent(int index)
{
    if (index == current_)
        return;
    const int before = current_;
    current_ = index;
    edited_ = false;
    if (valid(before))
        Q_EMIT changed(before);
    Q_EMIT currentChanged(index);
    pump();
}

void FilmstripModel::setCurrentEdited(bool edited)
{
    if (edited == edited_)
        return;
    edited_ = edited;
    if (valid(current_))
        Q_EMIT changed(current_);
}

void FilmstripModel::opened(int index, bool described)
{
    if (!valid(index))
        return;
    Entry &entry = entries_[at(index)];
    ++entry.version;
    entry.marks.read = true;
    entry.marks.described = described;
    entry.marks.unreadable = false;
    Q_EMIT changed(index);
}

void FilmstripModel::openFailed(int index)
{
    if (!valid(index))
        return;
    Entry &entry = entries_[at(index)];
    ++entry.version;
    entry.marks.read = true;
    entry.marks.unreadable = true;
    Q_EMIT changed(index);
}

void FilmstripModel::saved(int index, bool described)
{
    if (!valid(index))
        return;
    Entry &entry = entries_[at(index)];
    entry.marks.saveFailed = false;
    opened(index, described);
    // The file's time changed: the shared thumbnail is made again for it.
    entry.imageDone = false;
    pump();
}

void FilmstripModel::saveFailed(int index)
{
    if (!valid(index))
        return;
    entries_[at(index)].marks.saveFailed = true;
    Q_EMIT changed(index);
}

void FilmstripModel::rereadMarks()
{
    for (Entry &entry : entries_)
        entry.marks.read = false;
    sweep_ = 0;
    pump();
}

void FilmstripModel::showRange(int first, int last)
{
    first_ = std::max(0, first);
    last_ = std::min(count() - 1, last);
    pump();
}

int FilmstripModel::nextWanted(bool &withImage)
{
    // Thumbnails: those on screen, then a screen beside them on either side
    // (or, before the strip says what it shows, those around the open one).
    int first = first_;
    int last = last_;
    if (last < first) {
        first = std::max(0, current_) - 8;
        last = std::max(0, current_) + 16;
    }
    const int width = last - first + 1;
    withImage = true;
    for (const auto &[from, to] : {std::pair{first, last}, std::pair{last + 1, last + width}, std::pair{first - width, first - 1}}) {
        for (int i = std::max(0, from); i <= std::min(count() - 1, to); ++i) {
            if (!entries_[at(i)].imageDone)
                return i;
        }
    }
    // Then the texts of all the others, for their marks.
    withImage = false;
    while (sweep_ < count() && entries_[at(sweep_)].marks.read)
        ++sweep_;
    return sweep_ < count() ? sweep_ : -1;
}

void FilmstripModel::pump()
{
    if (busy_)
        return;
    bool withImage = false;
    const int index = nextWanted(withImage);
    if (index < 0)
        return;
    if (paused_ && paused_()) {
        if (!retry_.isActive())
            retry_.start();
        return;
    }
    busy_ = true;
    Entry &entry = entries_[at(index)];
    if (withImage)
        entry.imageDone = true;
    else
        entry.marks.read = true; // read by this job; not picked again
    const quint64 generation = generation_;
    const QSize box = withImage ? QSize(boxWidth, boxHeight) : QSize();
    pool_.start([this, path = entry.path, box, generation, index, version = entry.version] {
        ThumbnailReading reading;
        if (generation == generation_)
            reading = readThumbnail(path, box);
        QMetaObject::invokeMethod(
            this, [this, generation, index, version, reading] { finished(generation, index, version, reading); }, Qt::QueuedConnection);
    });
}

void FilmstripModel::finished(quint64 generation, int index, int version, const ThumbnailReading &reading)
{
    busy_ = false;
    if (generation == generation_ && valid(index)) {
        Entry &entry = entries_[at(index)];
        if (!reading.image.isNull())
            entry.image = reading.image;
        if (version == entry.version) {
            entry.marks.read = true;
            entry.marks.unreadable = !reading.readable;
            entry.marks.described = !reading.description.isEmpty();
        }
        Q_EMIT changed(index);
        if (!reading.description.isEmpty())
            Q_EMIT descriptionRead(reading.description);
    }
    pump();
}

} // namespace lumicap
