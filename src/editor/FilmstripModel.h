#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QString>
#include <QSize>
#include <QThreadPool>
#include <QTimer>

#include <atomic>
#include <functional>
#include <vector>

namespace lumicap {

struct ThumbnailReading;

// What the filmstrip shows of the folder's pictures: a thumbnail and marks
// for each, and which one is open. A worker thread reads every picture's
// texts, one at a time, and the thumbnails of those on screen (and a
// screen's width beside them) first, never while the preview decodes (see
// setPausedWhile); what it made stays here until the folder changes. The editor tells what it learns itself (an
// open, a save, a change typed) at once.
class FilmstripModel : public QObject
{
    Q_OBJECT

public:
    // The thumbnails as held and drawn.
    static constexpr int boxWidth = 80;
    static constexpr int boxHeight = 60;

    struct Marks
    {
        bool read = false; // the texts were read (or the picture opened)
        bool described = false;
        bool unreadable = false;
        bool saveFailed = false;
    };

    FilmstripModel();
    ~FilmstripModel() override;

    // A new folder: every mark and thumbnail is dropped.
    void setPictures(const std::vector<QByteArray> &paths);
    int count() const { return static_cast<int>(entries_.size()); }
    const QByteArray &path(int index) const { return entries_[at(index)].path; }
    const QImage &image(int index) const { return entries_[at(index)].image; }
    const Marks &marks(int index) const { return entries_[at(index)].marks; }

    int current() const { return current_; }
    bool currentEdited() const { return edited_; }
    void setCurrent(int index);
    void setCurrentEdited(bool edited);

    // What the editor found: the picture opened (with or without a
    // description), could not be opened, was saved, or its save failed.
    void opened(int index, bool described);
    void openFailed(int index);
    void saved(int index, bool described);
    void saveFailed(int index);
    // Every picture's texts are read again (a batch may have changed any).
    void rereadMarks();

    // The pictures on screen, whose thumbnails are made first.
    void showRange(int first, int last);
    bool idle() const { return !busy_ && !retry_.isActive(); }
    // No new reading starts while this says so (the preview's decodes come
    // first); asked again shortly after.
    void setPausedWhile(std::function<bool()> paused) { paused_ = std::move(paused); }

Q_SIGNALS:
    void reset();
    void changed(int index);
    void currentChanged(int index);
    // A picture's description, read in the background.
    void descriptionRead(const QString &text);

private:
    struct Entry
    {
        QByteArray path;
        QImage image;
        Marks marks;
        bool imageDone = false;
        // Raised by what the editor learns; a reading started before it is
        // not used for the marks.
        int version = 0;
    };

    std::size_t at(int index) const { return static_cast<std::size_t>(index); }
    bool valid(int index) const { return index >= 0 && index < count(); }
    int nextWanted(bool &withImage);
    void pump();
    void finished(quint64 generation, int index, int version, const ThumbnailReading &reading);

    std::vector<Entry> entries_;
    int current_ = -1;
    bool edited_ = false;
    int first_ = 0;
    int last_ = -1;
    // Every picture before it had its texts read.
    int sweep_ = 0;
    bool busy_ = false;
    std::function<bool()> paused_;
    QTimer retry_;
    // Raised with each folder: work from before it is not used.
    std::atomic<quint64> generation_{0};
    QThreadPool pool_;
};

} // namespace lumicap
