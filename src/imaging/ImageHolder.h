#pragma once

#include "imaging/FileBytes.h"
#include "imaging/ImageFormat.h"
#include "imaging/ImageStatus.h"
#include "imaging/TagItem.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QSize>

#include <vector>

namespace lumicap {

// One opened image and the status of the last call that failed on it.
//
// Opening reads the tags and the size and keeps no file open. Tag changes are
// recorded and replayed on the file's current bytes when it is saved, so the
// save applies them to the file as it is on disk at that moment.
class ImageHolder
{
public:
    ImageHolder() = default;

    // withThumbnail keeps the camera's thumbnail for drawing (see
    // thumbnail()); only a window showing the picture needs it.
    ImageStatus open(const QByteArray &path, bool withThumbnail = false);
    void close();
    bool isOpen() const { return open_; }

    ImageStatus lastStatus() const { return lastStatus_; }
    // Returns the last failure and resets it to Ok.
    ImageStatus takeStatus();

    const QByteArray &path() const { return path_; }
    ImageFormat format() const { return format_; }
    QSize size() const { return size_; }
    const FileStamp &stamp() const { return stamp_; }

    // The tags as they are now, edits included, in file order.
    const std::vector<TagItem> &tags() const { return tags_; }
    ImageStatus removeTag(std::uint16_t id);
    ImageStatus removeAllTags();
    ImageStatus setTag(const TagItem &item);

    // The tags as they were read, without the edits.
    const std::vector<TagItem> &readTags() const { return readTags_; }
    // The other copies of the three fields, as read.
    const FieldCopies &copies() const { return copies_; }
    // The texts the other copies get when the image is saved.
    void setCopies(const CopyEdits &copies) { edits_.copies = copies; }

    const TagEdits &edits() const { return edits_; }
    // Copies of the fields the last save could not parse and left as they
    // were ("XMP", "IPTC").
    const std::vector<QByteArray> &untouchedCopies() const { return untouchedCopies_; }
    // Forgets the recorded edits: the tags are as they were read again.
    void discardEdits();

    // The picture decoded at about the given size (JPEG decodes scaled down
    // in the decoder itself). The last decode is kept, so drawing it again
    // costs nothing; a larger size than kept decodes again.
    QImage preview(QSize size);
    // The small picture the camera stored in the Exif tags, decoded as
    // stored (not turned); null when there is none or it cannot be shown.
    // It costs no file access: it is read with the tags, when the image was
    // opened withThumbnail.
    QImage thumbnail();

    // Applies the recorded edits to file (the image file's current bytes;
    // for a raw file, its sidecar's, empty when it has none yet):
    // the new file is pieces, written one after the other (see
    // ExifCodec::applyEdits). unchanged tells that nothing would change.
    ImageStatus encodeInto(QByteArray &file, bool &unchanged, QList<QByteArray> &pieces);
    // Whether written, the new file as it was put on disk, reads as the
    // checked result of encodeInto, intended: the same tags in every
    // directory and the same copies of the fields (a sidecar, small, byte
    // for byte). Otherwise GenericError.
    ImageStatus checkWritten(const QByteArray &written, const QByteArray &intended) const;

private:
    ImageStatus fail(ImageStatus status);
    ImageStatus openRaw(const QByteArray &file);

    bool open_ = false;
    ImageStatus lastStatus_ = ImageStatus::Ok;
    QByteArray path_;
    ImageFormat format_ = ImageFormat::Other;
    QSize size_;
    FileStamp stamp_;
    std::vector<TagItem> tags_;
    std::vector<TagItem> readTags_;
    FieldCopies copies_;
    std::vector<QByteArray> untouchedCopies_;
    TagEdits edits_;
    QImage preview_;
    bool previewable_ = false;
    QByteArray rawPreview_;
    QByteArray thumbnailBytes_;
    QImage thumbnail_;
};

} // namespace lumicap
