#pragma once

#include "platform/FileStamp.h"
#include "imaging/TagItem.h"

#include <QByteArray>
#include <QDateTime>

#include <cstdint>
#include <optional>
#include <vector>

namespace lumicap {

using platform::FileStamp;

// What one save changed in one field: the Exif tag's bytes before and
// after (none where there was no tag), and the texts of the other copies
// before, when the save gave them a text.
struct JournalField
{
    std::uint16_t tag = 0;
    std::optional<QByteArray> oldValue;
    std::uint16_t oldType = asciiType;
    std::optional<QByteArray> newValue;
    std::vector<TextCopy> oldCopies;
    std::optional<QByteArray> newCopies;

    // "description", "artist" or "copyright".
    const char *name() const;
};

// One save as the journal keeps it, one line of JSON: the picture's path
// (absolute) and the file the save replaced (a link's target, a raw file's
// sidecar), that file's identity before and after (device and inode, size
// and time; on Windows volume serial number and file id), when, the run it
// belongs to, and the fields it changed. Bytes are kept as base64, so any
// encoding comes back exactly.
struct JournalEntry
{
    QByteArray path;
    QByteArray file;
    FileStamp before;
    FileStamp after;
    QDateTime time;
    QByteArray run;
    std::vector<JournalField> fields;
    // The digest of the new file's last bytes (see tailDigest); empty for a
    // file too small to tell that way.
    QByteArray tail;

    QByteArray toLine() const; // ends with '\n'
    // Nothing for a line that is not a whole entry (the torn end of a
    // journal whose writer was stopped).
    static std::optional<JournalEntry> fromLine(const QByteArray &line);
};

// The fields the edits change, with their values as read (tags and copies
// as the picture holds them before the save).
std::vector<JournalField> changedFields(const std::vector<TagItem> &tags, const FieldCopies &copies, const TagEdits &edits);

// A digest of a picture's last 64 KB when it is larger than 128 KB (else
// empty): far from the tags at its start, so another program that edits the
// tags in place leaves it as it was, while another photo copied over the
// same file does not.
QByteArray tailDigest(const QList<QByteArray> &pieces);
QByteArray tailDigestOfFile(const QByteArray &file);

// Whether two stamps name the same file (device and inode, or volume and
// file id, and when both tell it, birth), whatever its size and time.
inline bool sameFile(const FileStamp &a, const FileStamp &b)
{
    return a.device == b.device && a.inode == b.inode && (a.birthNs == 0 || b.birthNs == 0 || a.birthNs == b.birthNs);
}

} // namespace lumicap
