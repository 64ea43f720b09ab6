#include "ExifCodec.h"

#include "ExivCompat.h"
#include "ExivLog.h"
#include "JpegSegments.h"
#include "TiffEditor.h"
#include "TiffPages.h"

#include <algorithm>
#include <map>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>

namespace lumicap {

namespace {

using Exiv2::ExifData;

bool isImageDirectory(const std::string &group)
{
    return group != "Photo" && group != "GPSInfo" && group != "Iop" && group != "MpfInfo"
           && !Exiv2::ExifTags::isMakerGroup(group);
}

// Entries of the first directory that mean nothing in a JPEG file; the Exif
// encoder leaves them out, so they are dropped on purpose before comparing.
bool isDroppedFromJpeg(const Exiv2::Exifdatum &d)
{
    if (d.groupName() != primaryGroup)
        return false;
    switch (d.tag()) {
    case 0x0106: case 0x0111: case 0x0116: case 0x0117: case 0x0201: case 0x0202: case 0x014A:
        return true;
    default:
        return false;
    }
}

QByteArray rawBytes(const Exiv2::Exifdatum &d, Exiv2::ByteOrder order)
{
    QByteArray bytes(static_cast<qsizetype>(d.size()), Qt::Uninitialized);
    if (!bytes.isEmpty())
        d.copy(reinterpret_cast<Exiv2::byte *>(bytes.data()), order);
    return bytes;
}

template <typename Work> ImageStatus guarded(ImageStatus onLibraryError, Work &&work)
{
    try {
        return work();
    } catch (const exiv::Error &) {
        return onLibraryError;
    } catch (const std::bad_alloc &) {
        return ImageStatus::OutOfMemory;
    } catch (const std::overflow_error &) {
        return ImageStatus::ValueOverflow;
    } catch (const std::length_error &) {
        return ImageStatus::OutOfMemory;
    } catch (const std::exception &) {
        return onLibraryError;
    }
}

struct Decoded
{
    ExifData exif;
    Exiv2::ByteOrder order = Exiv2::invalidByteOrder;
    JpegLayout jpeg;
};

std::unique_ptr<Exiv2::Image> containerFor(ImageFormat format, exiv::IoPtr io)
{
    if (format == ImageFormat::Tiff)
        return std::make_unique<Exiv2::TiffImage>(exiv::take(io), false);
    return std::make_unique<Exiv2::PngImage>(exiv::take(io), false);
}

ImageStatus decode(ImageFormat format, const QByteArray &file, Decoded &out)
{
    if (format == ImageFormat::Jpeg) {
        const auto layout = parseJpegLayout(file);
        if (!layout)
            return ImageStatus::GenericError;
        out.jpeg = *layout;
        const QByteArray payload = exifPayload(file, *layout);
        if (!payload.isEmpty())
            out.order = Exiv2::ExifParser::decode(out.exif, reinterpret_cast<const Exiv2::byte *>(payload.constData()),
                                                  static_cast<std::uint32_t>(payload.size()));
        return ImageStatus::Ok;
    }
    if (format != ImageFormat::Tiff && format != ImageFormat::Png)
        return ImageStatus::PropertyNotSupported;
    auto image = containerFor(format, exiv::memoryIo(file.constData(), static_cast<std::size_t>(file.size())));
    image->readMetadata();
    out.exif = image->exifData();
    out.order = image->byteOrder();
    return ImageStatus::Ok;
}

void eraseTag(ExifData &exif, std::uint16_t tag)
{
    for (auto it = exif.begin(); it != exif.end();) {
        if (it->tag() == tag && it->groupName() == primaryGroup)
            it = exif.erase(it);
        else
            ++it;
    }
}

void applyToExifData(ImageFormat format, ExifData &exif, Exiv2::ByteOrder order, const TagEdits &edits)
{
    if (edits.removeAll) {
        if (format == ImageFormat::Tiff) {
            // The first image loses all but its structure; the directories it
            // points to (Exif, GPS, maker notes) go with it; other pages stay.
            for (auto it = exif.begin(); it != exif.end();) {
                const std::string group = it->groupName();
                const bool keep = group == primaryGroup ? TiffEditor::isStructuralTag(it->tag()) || isTextTag(it->tag())
                                                        : isImageDirectory(group);
                it = keep ? std::next(it) : exif.erase(it);
            }
        } else {
            for (auto it = exif.begin(); it != exif.end();)
                it = it->groupName() == primaryGroup && isTextTag(it->tag()) ? std::next(it) : exif.erase(it);
        }
    }
    for (const auto tag : edits.removed)
        eraseTag(exif, tag);
    for (const auto &item : edits.set) {
        eraseTag(exif, item.id);
        exiv::ValuePtr value = Exiv2::Value::create(static_cast<Exiv2::TypeId>(item.type));
        value->read(reinterpret_cast<const Exiv2::byte *>(item.value.constData()), static_cast<exiv::Size>(item.value.size()), order);
        exif.add(Exiv2::ExifKey(item.id, primaryGroup), value.get());
    }
}

bool sameExifData(const ExifData &a, const ExifData &b, Exiv2::ByteOrder order)
{
    if (a.count() != b.count())
        return false;
    auto ia = a.begin();
    for (auto ib = b.begin(); ib != b.end(); ++ia, ++ib) {
        if (ia->key() != ib->key() || ia->typeId() != ib->typeId() || rawBytes(*ia, order) != rawBytes(*ib, order))
            return false;
    }
    return true;
}

// What was asked for must be what was written: every entry we meant to keep
// is there, and each tag we set holds exactly its bytes.
bool writtenAsIntended(const ExifData &intended, const ExifData &written, const TagEdits &edits, Exiv2::ByteOrder order)
{
    std::map<std::string, int> missing;
    for (const auto &d : intended)
        ++missing[d.key()];
    for (const auto &d : written)
        --missing[d.key()];
    for (const auto &entry : missing) {
        if (entry.second > 0)
            return false;
    }
    for (const auto &item : edits.set) {
        const Exiv2::Exifdatum *found = nullptr;
        for (const auto &d : written) {
            if (d.tag() == item.id && d.groupName() == primaryGroup)
                found = &d;
        }
        if (!found || found->typeId() != item.type || rawBytes(*found, order) != item.value)
            return false;
    }
    return true;
}

ImageStatus encodeJpeg(const QByteArray &file, const Decoded &decoded, const ExifData &intended, const TagEdits &edits,
                       QList<QByteArray> &pieces)
{
    const Exiv2::ByteOrder order = decoded.order == Exiv2::invalidByteOrder ? Exiv2::littleEndian : decoded.order;
    QByteArray block = exifPayload(file, decoded.jpeg);
    Exiv2::Blob blob;
    ExivWarningCapture warnings; // the encoder says what it left out only here
    const auto method = Exiv2::ExifParser::encode(blob, reinterpret_cast<const Exiv2::byte *>(block.isEmpty() ? nullptr : block.data()),
                                                  static_cast<std::uint32_t>(block.size()), order, intended);
    if (warnings.any())
        return ImageStatus::ValueOverflow;
    if (method == Exiv2::wmIntrusive)
        block = QByteArray(reinterpret_cast<const char *>(blob.data()), static_cast<qsizetype>(blob.size()));
    if (static_cast<std::size_t>(block.size()) > maxExifPayload)
        return ImageStatus::ValueOverflow;

    ExifData written;
    if (!block.isEmpty())
        Exiv2::ExifParser::decode(written, reinterpret_cast<const Exiv2::byte *>(block.constData()), static_cast<std::uint32_t>(block.size()));
    if (!writtenAsIntended(intended, written, edits, order))
        return ImageStatus::ValueOverflow;

    // The rest of the file is written straight from where it was read.
    const QByteArray segment = block.isEmpty() ? QByteArray() : exifSegment(block);
    pieces = spliceExif(file, decoded.jpeg, segment);
    const QByteArray header = pieces[0] + segment
                              + file.mid(file.size() - pieces[2].size(),
                                         static_cast<qsizetype>(decoded.jpeg.scanHeaderEnd) - (file.size() - pieces[2].size()));
    const auto check = parseJpegLayout(header);
    if (!check || exifPayload(header, *check) != block)
        return ImageStatus::GenericError;
    return ImageStatus::Ok;
}

ImageStatus encodeTiff(QByteArray &file, const ExifData &intended, const TagEdits &edits, QList<QByteArray> &pieces)
{
    const auto pagesBefore = countTiffPages(file);
    const ImageStatus status = TiffEditor::apply(file, edits);
    if (status != ImageStatus::Ok)
        return status;
    Decoded written;
    if (decode(ImageFormat::Tiff, file, written) != ImageStatus::Ok || countTiffPages(file) != pagesBefore)
        return ImageStatus::GenericError;
    if (!writtenAsIntended(intended, written.exif, edits, written.order))
        return ImageStatus::ValueOverflow;
    pieces = {file};
    return ImageStatus::Ok;
}

// PNG: Exiv2 rewrites the text chunks and copies every other chunk.
ImageStatus encodePng(const QByteArray &file, const ExifData &intended, const TagEdits &edits, QList<QByteArray> &pieces)
{
    QByteArray result;
    {
        // Exiv2 reads the bytes in place and writes its result elsewhere.
        auto image = containerFor(ImageFormat::Png, exiv::memoryIo(file.constData(), static_cast<std::size_t>(file.size())));
        image->readMetadata();
        image->writeXmpFromPacket(true); // keep the XMP packet byte for byte
        image->setExifData(intended);
        ExivWarningCapture warnings; // the writer says what it left out only here
        image->writeMetadata();
        if (warnings.any())
            return ImageStatus::ValueOverflow;
        Exiv2::BasicIo &io = image->io();
        io.open();
        const auto size = static_cast<qsizetype>(io.size());
        result = QByteArray(reinterpret_cast<const char *>(io.mmap()), size);
        io.munmap();
        io.close();
    }
    Decoded written;
    const ImageStatus status = decode(ImageFormat::Png, result, written);
    if (status != ImageStatus::Ok)
        return status;
    if (!writtenAsIntended(intended, written.exif, edits, written.order))
        return ImageStatus::ValueOverflow;
    pieces = {result};
    return ImageStatus::Ok;
}

} // namespace

ImageStatus ExifCodec::readTags(ImageFormat format, const QByteArray &file, std::vector<TagItem> &tags)
{
    tags.clear();
    installExivLogHandler();
    return guarded(ImageStatus::GenericError, [&] {
        Decoded decoded;
        const ImageStatus status = decode(format, file, decoded);
        if (status != ImageStatus::Ok)
            return status;
        const auto order = decoded.order == Exiv2::invalidByteOrder ? Exiv2::littleEndian : decoded.order;
        tags.reserve(static_cast<std::size_t>(decoded.exif.count()));
        for (const auto &d : decoded.exif)
            tags.push_back({d.tag(), static_cast<std::uint16_t>(d.typeId()), rawBytes(d, order), QByteArray::fromStdString(d.groupName())});
        return ImageStatus::Ok;
    });
}

ImageStatus ExifCodec::applyEdits(ImageFormat format, QByteArray &file, const TagEdits &edits, bool &unchanged,
                                  QList<QByteArray> &pieces)
{
    unchanged = false;
    pieces.clear();
    installExivLogHandler();
    return guarded(ImageStatus::GenericError, [&] {
        Decoded decoded;
        ImageStatus s = decode(format, file, decoded);
        if (s != ImageStatus::Ok)
            return s;
        const auto order = decoded.order == Exiv2::invalidByteOrder ? Exiv2::littleEndian : decoded.order;
        ExifData intended = decoded.exif;
        applyToExifData(format, intended, order, edits);
        if (sameExifData(intended, decoded.exif, order)) {
            unchanged = true;
            return ImageStatus::Ok;
        }
        if (format == ImageFormat::Jpeg) {
            for (auto it = intended.begin(); it != intended.end();)
                it = isDroppedFromJpeg(*it) ? intended.erase(it) : std::next(it);
            return encodeJpeg(file, decoded, intended, edits, pieces);
        }
        if (format == ImageFormat::Tiff)
            return encodeTiff(file, intended, edits, pieces);
        return encodePng(file, intended, edits, pieces);
    });
}

} // namespace lumicap
