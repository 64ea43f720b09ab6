#pragma once

#include "imaging/ImageStatus.h"
#include "imaging/TagItem.h"

#include <QByteArray>
#include <QSize>

#include <cstddef>
#include <vector>

namespace lumicap {

// Camera raw files. They are never written: their fields live in an XMP
// sidecar (see Sidecars.h). What they carry themselves is read with Exiv2.
namespace RawFiles {

// A raw file its bytes alone tell (Canon CR2 and CR3, Olympus ORF,
// Panasonic RW2, Fujifilm RAF).
bool hasRawSignature(const char *data, std::size_t size);
// A name most raw files that are plain TIFF inside go by (NEF, ARW, PEF,
// 3FR, ...); DNG is not one of them: it is TIFF and written as TIFF.
bool hasRawExtension(const QByteArray &path);

struct Contents
{
    // The Exif entries, but the three text tags of the first directory:
    // those are among copies, as "raw Exif".
    std::vector<TagItem> tags;
    // The raw file's own texts: "raw Exif", "raw XMP", "raw IPTC".
    FieldCopies copies;
    // The largest preview the camera embedded, as stored, and its size.
    QByteArray preview;
    QSize previewSize;
};

ImageStatus read(const QByteArray &file, Contents &contents);

} // namespace RawFiles

} // namespace lumicap
