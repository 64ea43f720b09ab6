#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace lumicap {

// The thumbnails other programs share, in the user's cache folder as the
// freedesktop.org thumbnail convention names them: thumbnails/normal/ and the
// MD5 of the picture's file URI, as a PNG of at most 128 pixels a side whose
// Thumb::URI and Thumb::MTime texts say which file, as it was when, it shows.
namespace ThumbnailDiskCache {
constexpr int normalSize = 128;

// The file URI of a picture path (bytes as the program keeps them), made
// absolute.
QByteArray uriOf(const QByteArray &path);
// Where the thumbnail of that URI is kept.
QString fileFor(const QByteArray &uri);
// The kept thumbnail of the picture, null when there is none or it shows
// another file or the file as it was before its last change.
QImage load(const QByteArray &path);
// Keeps a thumbnail (scaled down to normalSize when larger) of the picture
// as it is now; written beside and renamed into place, readable by the user
// alone. False when it could not be written; nothing depends on it.
bool store(const QByteArray &path, const QImage &image);
} // namespace ThumbnailDiskCache

} // namespace lumicap
