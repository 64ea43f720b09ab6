#pragma once

#include "ImageFormat.h"
#include "ImageStatus.h"
#include "TagItem.h"

#include <QByteArray>

#include <vector>

namespace lumicap {

// Reads and rewrites the EXIF/TIFF tags inside the bytes of a JPEG, TIFF or
// PNG file. The compressed image data is never decoded: a JPEG keeps every
// byte but its Exif segment, and TIFF and PNG are rewritten by Exiv2 around
// their pixel data. Every result is read back and checked before it is
// handed out, so a caller never writes a file that lost something.
class ExifCodec
{
public:
    static ImageStatus readTags(ImageFormat format, const QByteArray &file, std::vector<TagItem> &tags);

    // Replaces file with the file carrying the edited tags. On failure file is
    // left in an unspecified state and must not be used. unchanged is set when
    // the edits would not change any tag, in which case file stays as it was.
    static ImageStatus applyEdits(ImageFormat format, QByteArray &file, const TagEdits &edits, bool &unchanged);
};

} // namespace lumicap
