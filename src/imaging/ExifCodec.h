#pragma once

#include "imaging/ImageFormat.h"
#include "imaging/ImageStatus.h"
#include "imaging/TagItem.h"

#include <QByteArray>
#include <QList>

#include <vector>

namespace lumicap {

// Reads and rewrites the EXIF/TIFF tags inside the bytes of a JPEG, TIFF or
// PNG file. Exiv2 reads; the writing of JPEG and TIFF is our own: only the
// first image directory changes, and every other byte (pixels, maker notes,
// thumbnails, other directories) keeps its place. A JPEG keeps every byte but
// its Exif segment, a PNG every chunk but those holding the fields. Every
// result is read back and checked before it is handed out, so a caller never
// writes a file that lost or changed something it was not asked to.
class ExifCodec
{
public:
    // The Exif entries of every directory; with thumbnail, also the bytes of
    // the small picture the camera stored beside them (empty when none).
    static ImageStatus readTags(ImageFormat format, const QByteArray &file, std::vector<TagItem> &tags, QByteArray *thumbnail = nullptr);
    // The other copies of the three fields (XMP, IPTC, Windows tags) in a
    // file whose tags were read; what cannot be parsed is left out.
    static void readCopies(ImageFormat format, const QByteArray &file, const std::vector<TagItem> &tags, FieldCopies &copies);

    // The file carrying the edited tags, as pieces to write one after the
    // other; they may be views into file, which may also have been edited in
    // place, so file must stay as it is until they are written. On failure
    // file is in an unspecified state. unchanged is set, and there are no
    // pieces, when the edits would not change any tag.
    // A copy of the fields that cannot be parsed (XMP, IPTC) is left as it
    // is and named in untouched.
    static ImageStatus applyEdits(ImageFormat format, QByteArray &file, const TagEdits &edits, bool &unchanged, QList<QByteArray> &pieces,
                                  std::vector<QByteArray> *untouched = nullptr);
};

} // namespace lumicap
