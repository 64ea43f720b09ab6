#pragma once

#include "imaging/ImageFormat.h"
#include "imaging/ImageHolder.h"
#include "metadata/MetadataFields.h"

namespace lumicap {

// Sets the selected tags as ASCII entries (the bytes and one zero byte), in
// the order description, artist, copyright, after removing every other EXIF
// entry when removeAll is set. Tags not selected keep the bytes the file holds
// when it is saved. Statuses go to the holder's last status.
// The other copies of the selected fields the file has (XMP, IPTC, Windows'
// tags) get the same text; with allCopies, missing XMP and IPTC copies are
// created too. A field whose text is, as shown, what its tag holds writes
// nothing, and leaves its copies as they are unless allCopies is set.
void writeMetadata(ImageHolder &image, const MetadataFields &fields, FieldSelection which, bool removeAll, bool allCopies = false);
inline void writeMetadata(ImageHolder &image, const MetadataFields &fields, bool removeAll)
{
    writeMetadata(image, fields, FieldSelection{}, removeAll);
}

// Removes the selected fields: their Exif tags, where the image has them, and
// the text of every other copy of them the image has, which is emptied (an
// empty copy reads as no text, and a reader that prefers that copy shows
// nothing rather than the old text). No copy is created. Goes with the
// edits already recorded, after writeMetadata.
void deleteMetadata(ImageHolder &image, FieldSelection which);

} // namespace lumicap
