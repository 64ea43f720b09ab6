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

// The first directory of a JPEG's Exif block must have these (resolution and
// chroma siting); a new block gets the values other writers give them.
bool isRequiredInJpeg(std::uint16_t tag)
{
    return tag == 0x011A || tag == 0x011B || tag == 0x0128 || tag == 0x0213;
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
            for (auto it = exif.begin(); it != exif.end();) {
                const bool keep = it->groupName() == primaryGroup
                                  && (isTextTag(it->tag()) || (format == ImageFormat::Jpeg && isRequiredInJpeg(it->tag())));
                it = keep ? std::next(it) : exif.erase(it);
            }
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

using Entries = std::multimap<std::string, std::pair<Exiv2::TypeId, QByteArray>>;

Entries entriesOf(const ExifData &exif, Exiv2::ByteOrder order)
{
    Entries out;
    for (const auto &d : exif)
        out.emplace(d.key(), std::make_pair(d.typeId(), rawBytes(d, order)));
    return out;
}

bool sameExifData(const ExifData &a, const ExifData &b, Exiv2::ByteOrder order)
{
    return a.count() == b.count() && entriesOf(a, order) == entriesOf(b, order);
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

// A text set to what a tag already says keeps the tag's own bytes: its
// type, its count, the zeros padding it, and a second part after a zero (a
// copyright of photographer and editor).
TagEdits withoutSameTexts(const ExifData &exif, Exiv2::ByteOrder order, const TagEdits &edits)
{
    const auto textOf = [](const QByteArray &value) {
        const qsizetype zero = value.indexOf('\0');
        return zero < 0 ? value : value.left(zero);
    };
    TagEdits needed = edits;
    needed.set.clear();
    for (const TagItem &item : edits.set) {
        const Exiv2::Exifdatum *stored = nullptr;
        for (const auto &d : exif) {
            if (d.tag() == item.id && d.groupName() == primaryGroup)
                stored = &d; // the last of several wins, as when reading
        }
        const bool same = stored && item.type == asciiType && isTextTag(item.id)
                          && textOf(rawBytes(*stored, order)) == textOf(item.value);
        if (!same)
            needed.set.push_back(item);
    }
    return needed;
}

QByteArray number(std::uint32_t value, int bytes, Exiv2::ByteOrder order)
{
    QByteArray out(bytes, '\0');
    for (int i = 0; i < bytes; ++i)
        out[order == Exiv2::bigEndian ? bytes - 1 - i : i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

// What a fresh block holds: when everything else is removed, the text tags
// and the required entries it had; for a file without an Exif block, the
// required entries with their usual values. Then the tags being set.
TagEdits freshBlockEdits(const ExifData &exif, Exiv2::ByteOrder order, const TagEdits &edits)
{
    TagEdits fresh;
    const auto asked = [&edits](std::uint16_t tag) {
        return std::any_of(edits.set.begin(), edits.set.end(), [tag](const TagItem &t) { return t.id == tag; })
               || std::find(edits.removed.begin(), edits.removed.end(), tag) != edits.removed.end();
    };
    for (const auto &d : exif) {
        if (d.groupName() == primaryGroup && (isTextTag(d.tag()) || isRequiredInJpeg(d.tag())) && !asked(d.tag()))
            fresh.set.push_back({d.tag(), static_cast<std::uint16_t>(d.typeId()), rawBytes(d, order)});
    }
    if (exif.empty() && !edits.set.empty()) {
        const QByteArray dpi72 = number(72, 4, order) + number(1, 4, order);
        fresh.set.push_back({0x011A, 5, dpi72});
        fresh.set.push_back({0x011B, 5, dpi72});
        fresh.set.push_back({0x0128, 3, number(2, 2, order)}); // inches
        fresh.set.push_back({0x0213, 3, number(1, 2, order)}); // centred
    }
    fresh.set.insert(fresh.set.end(), edits.set.begin(), edits.set.end());
    return fresh;
}

// JPEG: the Exif block is a small TIFF structure and is edited like one. Only
// its first directory changes; the rest of the block, maker notes included,
// keeps every byte at its offset, and the rest of the file is written
// straight from where it was read. Remove-all starts from an empty block.
ImageStatus encodeJpegSegment(const QByteArray &file, const Decoded &decoded, const QByteArray &segment, QList<QByteArray> &pieces)
{
    pieces = spliceExif(file, decoded.jpeg, segment);
    // The new header must parse and carry exactly the new segment.
    const QByteArray header = pieces[0] + segment
                              + file.mid(file.size() - pieces[2].size(),
                                         static_cast<qsizetype>(decoded.jpeg.scanHeaderEnd) - (file.size() - pieces[2].size()));
    const auto check = parseJpegLayout(header);
    const QByteArray payload = segment.isEmpty() ? QByteArray() : segment.mid(10);
    if (!check || exifPayload(header, *check) != payload)
        return ImageStatus::GenericError;
    return ImageStatus::Ok;
}

ImageStatus encodeJpeg(const QByteArray &file, const Decoded &decoded, const ExifData &intended, const TagEdits &edits,
                       QList<QByteArray> &pieces)
{
    const Exiv2::ByteOrder order = decoded.order == Exiv2::invalidByteOrder ? Exiv2::littleEndian : decoded.order;
    QByteArray block = exifPayload(file, decoded.jpeg);
    const bool fresh = block.isEmpty() || edits.removeAll;
    const TagEdits applied = fresh ? freshBlockEdits(decoded.exif, order, edits) : edits;
    if (fresh)
        block = TiffEditor::emptyStructure(order == Exiv2::bigEndian ? 'M' : 'I');
    if (fresh && applied.set.empty()) {
        block.clear(); // nothing left: the segment goes
    } else {
        const ImageStatus status = TiffEditor::apply(block, applied, {maxExifPayload, true});
        if (status != ImageStatus::Ok)
            return status;
    }

    ExifData written;
    if (!block.isEmpty())
        Exiv2::ExifParser::decode(written, reinterpret_cast<const Exiv2::byte *>(block.constData()), static_cast<std::uint32_t>(block.size()));
    ExifData expected = fresh ? ExifData() : intended;
    if (fresh)
        applyToExifData(ImageFormat::Jpeg, expected, order, applied);
    if (!sameExifData(expected, written, order))
        return ImageStatus::ValueOverflow;

    const QByteArray segment = block.isEmpty() ? QByteArray() : exifSegment(block);
    const std::int64_t delta = static_cast<std::int64_t>(segment.size()) - static_cast<std::int64_t>(decoded.jpeg.exifSize);
    if (delta != 0 && decoded.jpeg.exifOffset && !fresh) {
        // Offsets into the file behind the segment move with it.
        QByteArray moved = block;
        if (!TiffEditor::moveFileOffsets(moved, *decoded.jpeg.exifOffset + decoded.jpeg.exifSize, delta))
            return ImageStatus::ValueOverflow;
        if (moved != block)
            return encodeJpegSegment(file, decoded, exifSegment(moved), pieces);
    }
    return encodeJpegSegment(file, decoded, segment, pieces);
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
        const TagEdits needed = withoutSameTexts(decoded.exif, order, edits);
        ExifData intended = decoded.exif;
        applyToExifData(format, intended, order, needed);
        if (sameExifData(intended, decoded.exif, order)) {
            unchanged = true;
            return ImageStatus::Ok;
        }
        if (format == ImageFormat::Jpeg)
            return encodeJpeg(file, decoded, intended, needed, pieces);
        if (format == ImageFormat::Tiff)
            return encodeTiff(file, intended, needed, pieces);
        return encodePng(file, intended, needed, pieces);
    });
}

} // namespace lumicap
