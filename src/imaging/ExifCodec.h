#pragma once

#include "ImageFormat.h"
#include "ImageStatus.h"
#include "TagItem.h"

#include <QByteArray>
#include <QList>

#include <vector>

namespace lumicap {

// Reads and rewrites the EXIF/TIFF tags inside the bytes of a JPEG, TIFF or
// PNG file. Exiv2 reads; the writing of JPEG and TIFF is our own: only the
// first image directory changes, and every other byte (pixels, maker notes,
// thumbnails, other directories) keeps its place. A JPEG keeps every byte but
// its Exif segment. PNG chunks are rewritten by Exiv2. Every result is read
// back and checked before it is handed out, so a caller never writes a file
// that lost or changed something it was not asked to.
class ExifCodec
{
public:
    static ImageStatus readTags(ImageFormat format, const QByteArray &file, std::vector<TagItem> &tags);

    // The file carrying the edited tags, as pieces to write one after the
    // other; they may be views into file, which may also have been edited in
    // place, so file must stay as it is until they are written. On failure
    // file is in an unspecified state. unchanged is set, and there are no
    // pieces, when the edits would not change any tag.
    static ImageStatus applyEdits(ImageFormat format, QByteArray &file, const TagEdits &edits, bool &unchanged,
                                  QList<QByteArray> &pieces);
};

} // namespace lumicap
