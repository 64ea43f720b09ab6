#include "imaging/ImageHolder.h"

#include "imaging/CaptionCopies.h"
#include "imaging/ExifCodec.h"
#include "imaging/HeifDecoder.h"
#include "imaging/JpegSegments.h"
#include "imaging/RawFiles.h"
#include "imaging/Sidecars.h"
#include "imaging/TagBytes.h"
#include "imaging/Utf8Check.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <algorithm>

namespace lumicap {

namespace {
QSize readSize(const QByteArray &file)
{
    QByteArray view = QByteArray::fromRawData(file.constData(), file.size());
    QBuffer buffer(&view);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return reader.size(); // reads the header only
}
} // namespace

ImageStatus ImageHolder::fail(ImageStatus status)
{
    if (status != ImageStatus::Ok)
        lastStatus_ = status;
    return status;
}

ImageStatus ImageHolder::takeStatus()
{
    const ImageStatus s = lastStatus_;
    lastStatus_ = ImageStatus::Ok;
    return s;
}

ImageStatus ImageHolder::open(const QByteArray &path, bool withThumbnail)
{
    close();
    path_ = path;
    struct Release
    {
        ~Release() { releaseLargeReadBuffer(); }
    } release;
    // The tags are read from the file's structure, its pixels left on disk
    // (a JPEG's compressed picture, a TIFF's strips); a raw file's previews
    // and a TIFF's thumbnail (which may be a strip of its own) need every
    // byte.
    QByteArray &file = readBuffer();
    std::vector<ByteRun> unread;
    ImageStatus status = RawFiles::hasRawExtension(path) ? readFileBytes(path, file, &stamp_) : readTagBytes(path, file, unread, &stamp_);
    if (status != ImageStatus::Ok)
        return fail(status);
    if (stamp_.size == 0)
        return fail(ImageStatus::EmptyFile);
    format_ = detectImageFormat(file.constData(), static_cast<std::size_t>(file.size()));
    if (withThumbnail && format_ == ImageFormat::Tiff && !unread.empty() && (status = readFileBytes(path, file, &stamp_)) != ImageStatus::Ok)
        return fail(status);

    if (format_ == ImageFormat::Tiff && RawFiles::hasRawExtension(path))
        format_ = ImageFormat::Raw;
    if (format_ == ImageFormat::Raw)
        return fail(openRaw(file));
    if (!canHoldTags(format_)) {
        // A picture that has no place for these tags is refused here rather
        // than converted to another format when it is saved; a BigTIFF has
        // one, but is not written.
        if (format_ == ImageFormat::BigTiff)
            return fail(ImageStatus::NotImplemented);
        const bool knownPicture = format_ != ImageFormat::Other;
        return fail(knownPicture ? ImageStatus::PropertyNotSupported : ImageStatus::UnknownImageFormat);
    }
    status = ExifCodec::readTags(format_, file, tags_, withThumbnail ? &thumbnailBytes_ : nullptr);
    if (status != ImageStatus::Ok) {
        tags_.clear();
        return fail(status);
    }
    if (format_ == ImageFormat::Jpeg) {
        // Our own walk of the header, never a decoder's (see maxPreviewSegments).
        const auto layout = parseJpegLayout(file);
        size_ = layout ? QSize(layout->width, layout->height) : QSize();
        previewable_ = layout && layout->segments <= maxPreviewSegments;
    } else if (format_ == ImageFormat::Heif) {
        size_ = HeifDecoder::size(file);
        previewable_ = size_.isValid();
        if (withThumbnail) // the file's own thumbnail before the Exif one
            thumbnail_ = HeifDecoder::thumbnail(file);
    } else {
        size_ = readSize(file);
        previewable_ = true;
    }
    ExifCodec::readCopies(format_, file, tags_, copies_);
    readTags_ = tags_;
    open_ = true;
    return ImageStatus::Ok;
}

// A raw file's fields are its sidecar's texts; where the sidecar has none,
// the raw file's own copies stand in (they are copies, "raw Exif" and so on,
// so they show as coming from there). The sidecar new fields go in first is
// the one read.
ImageStatus ImageHolder::openRaw(const QByteArray &file)
{
    RawFiles::Contents raw;
    if (ImageStatus s = RawFiles::read(file, raw); s != ImageStatus::Ok)
        return s;
    tags_ = std::move(raw.tags);
    copies_ = std::move(raw.copies);
    const std::vector<QByteArray> sidecars = Sidecars::existing(path_);
    if (!sidecars.empty()) {
        QByteArray packet;
        if (ImageStatus s = readFileBytes(sidecars.front(), packet); s != ImageStatus::Ok)
            return s;
        FieldCopies inSidecar;
        CaptionCopies::readXmp(packet, inSidecar);
        const std::pair<std::uint16_t, const std::vector<TextCopy> *> fields[]
            = {{0x010E, &inSidecar.description}, {0x013B, &inSidecar.artist}, {0x8298, &inSidecar.copyright}};
        for (const auto &[id, texts] : fields) {
            if (!texts->empty())
                tags_.push_back({id, asciiType, texts->front().text + '\0', primaryGroup});
        }
    }
    rawPreview_ = std::move(raw.preview);
    size_ = raw.previewSize.isValid() ? raw.previewSize : readSize(rawPreview_);
    previewable_ = !rawPreview_.isEmpty();
    readTags_ = tags_;
    open_ = true;
    return ImageStatus::Ok;
}

void ImageHolder::close()
{
    open_ = false;
    format_ = ImageFormat::Other;
    size_ = QSize();
    stamp_ = FileStamp();
    tags_.clear();
    readTags_.clear();
    copies_ = FieldCopies();
    untouchedCopies_.clear();
    edits_ = TagEdits();
    preview_ = QImage();
    rawPreview_.clear();
    thumbnailBytes_.clear();
    thumbnail_ = QImage();
}

void ImageHolder::discardEdits()
{
    tags_ = readTags_;
    edits_ = TagEdits();
}

QImage ImageHolder::preview(QSize size)
{
    if (!open_ || size.isEmpty() || !previewable_)
        return {};
    if (!preview_.isNull() && preview_.height() >= size.height() && preview_.width() >= size.width())
        return preview_;
    if (format_ == ImageFormat::Heif) {
        QByteArray file;
        ImageStatus s = readFileBytes(path_, file);
        const QImage decoded = s == ImageStatus::Ok ? HeifDecoder::picture(file, size) : QImage();
        if (decoded.isNull()) {
            lastStatus_ = s == ImageStatus::Ok ? ImageStatus::GenericError : s;
            return preview_;
        }
        preview_ = decoded;
        return preview_;
    }
    // A raw file is drawn from the largest preview the camera embedded.
    QByteArray embedded = QByteArray::fromRawData(rawPreview_.constData(), rawPreview_.size());
    QBuffer buffer(&embedded);
    QFile file;
    if (format_ == ImageFormat::Raw) {
        buffer.open(QIODevice::ReadOnly);
    } else if (ImageStatus s = openForReading(path_, file); s != ImageStatus::Ok) {
        lastStatus_ = s;
        return preview_;
    }
    QImageReader reader(format_ == ImageFormat::Raw ? static_cast<QIODevice *>(&buffer) : &file);
    reader.setAutoTransform(false); // the picture as stored, like its size
    if (reader.size().isValid())
        reader.setScaledSize(size);
    QImage decoded = reader.read();
    if (decoded.isNull()) {
        lastStatus_ = ImageStatus::GenericError;
        return preview_;
    }
    preview_ = decoded;
    return preview_;
}

QImage ImageHolder::thumbnail()
{
    // A thumbnail is a few kilobytes, at most the 64 KB of a JPEG's Exif
    // segment: anything claiming to be much larger is not drawn.
    constexpr int largestSide = 1024;
    if (thumbnail_.isNull() && !thumbnailBytes_.isEmpty()) {
        QBuffer buffer(&thumbnailBytes_);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        reader.setAutoTransform(false);
        const QSize size = reader.size();
        if (size.isValid() && size.width() <= largestSide && size.height() <= largestSide)
            thumbnail_ = reader.read();
        if (thumbnail_.isNull())
            thumbnailBytes_.clear(); // not tried again
    }
    return thumbnail_;
}

ImageStatus ImageHolder::removeTag(std::uint16_t id)
{
    if (!open_)
        return fail(ImageStatus::WrongState);
    const auto before = tags_.size();
    tags_.erase(std::remove_if(tags_.begin(), tags_.end(), [id](const TagItem &t) { return t.id == id && t.group == primaryGroup; }), tags_.end());
    if (tags_.size() == before)
        return fail(ImageStatus::PropertyNotFound);
    auto &set = edits_.set;
    set.erase(std::remove_if(set.begin(), set.end(), [id](const TagItem &t) { return t.id == id; }), set.end());
    edits_.removed.push_back(id);
    return ImageStatus::Ok;
}

ImageStatus ImageHolder::removeAllTags()
{
    if (!open_)
        return fail(ImageStatus::WrongState);
    tags_.erase(std::remove_if(tags_.begin(), tags_.end(), [](const TagItem &t) { return t.group != primaryGroup || !isTextTag(t.id); }),
                tags_.end());
    edits_ = TagEdits();
    edits_.removeAll = true;
    return ImageStatus::Ok;
}

ImageStatus ImageHolder::setTag(const TagItem &item)
{
    if (!open_)
        return fail(ImageStatus::WrongState);
    if (item.group != primaryGroup)
        return fail(ImageStatus::InvalidParameter);
    tags_.erase(std::remove_if(tags_.begin(), tags_.end(), [&](const TagItem &t) { return t.id == item.id && t.group == primaryGroup; }),
                tags_.end());
    tags_.push_back(item);
    auto &set = edits_.set;
    set.erase(std::remove_if(set.begin(), set.end(), [&](const TagItem &t) { return t.id == item.id; }), set.end());
    set.push_back(item);
    return ImageStatus::Ok;
}

ImageStatus ImageHolder::encodeInto(QByteArray &file, bool &unchanged, QList<QByteArray> &pieces)
{
    unchanged = false;
    if (!open_)
        return fail(ImageStatus::WrongState);
    if (format_ == ImageFormat::Raw) {
        // file is the sidecar's text (empty for a new one): the fields as
        // set, the other copies' texts where a field was not.
        CopyEdits texts = edits_.copies;
        const auto field = [&texts](std::uint16_t id) -> std::optional<QByteArray> & {
            return id == 0x010E ? texts.description : id == 0x013B ? texts.artist : texts.copyright;
        };
        for (const TagItem &item : edits_.set) {
            if (isTextTag(item.id))
                field(item.id) = asUtf8(untilZero(item.value));
        }
        for (const std::uint16_t id : edits_.removed)
            field(id) = QByteArray("");
        return fail(Sidecars::apply(file, texts, unchanged, pieces));
    }
    const ImageFormat now = detectImageFormat(file.constData(), static_cast<std::size_t>(file.size()));
    if (now != format_)
        return fail(ImageStatus::ObjectBusy); // replaced by another kind of file since it was opened
    return fail(ExifCodec::applyEdits(format_, file, edits_, unchanged, pieces, &untouchedCopies_));
}

ImageStatus ImageHolder::checkWritten(const QByteArray &written, const QByteArray &intended) const
{
    if (format_ == ImageFormat::Raw)
        return written == intended ? ImageStatus::Ok : ImageStatus::GenericError;
    const auto same = [](const TagItem &a, const TagItem &b) { return a.id == b.id && a.type == b.type && a.value == b.value && a.group == b.group; };
    std::vector<TagItem> tags[2];
    FieldCopies copies[2];
    const QByteArray *files[2] = {&written, &intended};
    for (int i = 0; i < 2; ++i) {
        if (ExifCodec::readTags(format_, *files[i], tags[i]) != ImageStatus::Ok)
            return ImageStatus::GenericError;
        ExifCodec::readCopies(format_, *files[i], tags[i], copies[i]);
    }
    const bool sameTags = std::equal(tags[0].begin(), tags[0].end(), tags[1].begin(), tags[1].end(), same);
    const bool sameCopies
        = copies[0].description == copies[1].description && copies[0].artist == copies[1].artist && copies[0].copyright == copies[1].copyright;
    return sameTags && sameCopies ? ImageStatus::Ok : ImageStatus::GenericError;
}

} // namespace lumicap
