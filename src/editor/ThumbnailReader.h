#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace lumicap {

// What the filmstrip shows of one picture.
struct ThumbnailReading
{
    bool readable = false;
    // The description the editor would show: the Exif text, or a copy's.
    QString description;
    // Upright, fitted into the box asked for; null when not asked for or
    // when nothing could be decoded.
    QImage image;
};

// Reads a picture's texts and, when box is not empty, its thumbnail: the
// shared one kept on disk while it matches the file, else the camera's own
// from the Exif tags, else a decode at a reduced size; a thumbnail made
// here is kept on disk for the next time and for other programs. Safe on any
// thread: it opens the file on its own.
ThumbnailReading readThumbnail(const QByteArray &path, QSize box);

} // namespace lumicap
