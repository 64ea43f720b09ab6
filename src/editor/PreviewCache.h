#pragma once

#include "imaging/FileBytes.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QRect>
#include <QThreadPool>

#include <atomic>
#include <deque>
#include <vector>

namespace lumicap {

class ImageHolder;

// The decoded previews of the shown picture and its neighbours. Decodes run
// one at a time on a worker thread, each from the file's path and bytes of
// its own, so nothing the window uses is touched there and no file stays
// open between decodes. A preview is used only for the frame size it was
// decoded at and while the file keeps the size and time it had then.
class PreviewCache : public QObject
{
    Q_OBJECT

public:
    static constexpr std::size_t maxHeld = 3;

    PreviewCache();
    ~PreviewCache() override;

    // The frame the previews are decoded for; the neighbours are decoded at
    // its size when they are next asked for.
    void setFrame(const QRect &frame) { frame_ = frame; }

    // The preview of the open image for the frame, as stored (not turned);
    // null when it is not decoded yet (it is then asked for first) or cannot
    // be shown.
    QImage shown(const ImageHolder &image, const QRect &frame);
    // After a picture is shown: decodes it and its neighbours, and lets go of
    // any other preview.
    void preload(const QByteArray &shown, const std::vector<QByteArray> &neighbours);
    // Drops every preview and the work in hand; a decode under way is
    // finished and its result dropped.
    void cancel();
    // Drops what is held or waiting for one file (it is being saved).
    void forget(const QByteArray &path);

    std::size_t held() const { return entries_.size(); }
    // Whether a preview of the file is held for the frame (it may still be
    // found out of date when shown).
    bool holds(const QByteArray &path) const;
    bool idle() const { return !busy_ && queue_.empty(); }
    static int orientationOf(const ImageHolder &image);

Q_SIGNALS:
    // A decode finished and is held (also when it found nothing to show).
    void decoded(const QByteArray &path);

private:
    struct Entry
    {
        QByteArray path;
        QSize frame;
        FileStamp stamp;
        QImage image;
    };
    struct Job
    {
        QByteArray path;
        QRect frame;
    };

    bool known(const QByteArray &path, QSize frame) const;
    void enqueue(const QByteArray &path, bool first);
    void pump();
    void finished(quint64 generation, Entry entry);

    QRect frame_;
    // The last decode the shown picture asked for; its result is shown even
    // when the file changed again since, rather than asked for without end.
    Entry asked_;
    std::vector<Entry> entries_;
    std::vector<QByteArray> wanted_;
    std::deque<Job> queue_;
    Job running_;
    bool busy_ = false;
    // Raised by cancel: work from before it is not used.
    std::atomic<quint64> generation_{0};
    QThreadPool pool_;
};

} // namespace lumicap
