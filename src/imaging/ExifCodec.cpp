#include "imaging/ExifCodec.h"
#include "imaging/ExifEncoding.h"

#include "imaging/BmffBoxes.h"
#include "imaging/CaptionCopies.h"

#include "imaging/ExivCompat.h"
#include "imaging/ExivGuard.h"
#include "imaging/ExivLog.h"
#include "imaging/JpegSegments.h"
#include "imaging/JpegXmp.h"
#include "imaging/PngChunks.h"
#include "imaging/TiffEditor.h"
#include "imaging/TiffPages.h"
#include "imaging/WebpChunks.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>

namespace lumicap::exifcodec {

namespace {

bool isImageDirectory(const std::string &group)
{
    return group != "Photo" && group != "GPSInfo" && group != "Iop" && group != "MpfInfo" && !Exiv2::ExifTags::isMakerGroup(group);
}

QByteArray rawBytes(const Exiv2::Exifdatum &d, Exiv2::ByteOrder order)
{
    QByteArray bytes(static_cast<qsizetype>(d.size()), Qt::Uninitialized);
    if (!bytes.isEmpty())
        d.copy(reinterpret_cast<Exiv2::byte *>(bytes.data()), order);
    return bytes;
}

QByteArray withoutExifHeader(const QByteArray &payload)
{
    return payload.startsWith(exifHeaderInPng) ? payload.mid(exifHeaderInPng.size()) : payload;
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

using Entries = std::multimap<std::string, std::pair<Exiv2::TypeId, QByteArray>>;

Entries entriesOf(const ExifData &exif, Exiv2::ByteOrder order)
{
    Entries out;
    for (const auto &d : exif)
        out.emplace(d.key(), std::make_pair(d.typeId(), rawBytes(d, order)));
    return out;
}

// A tag of the first directory; of several entries with its id, the last
// wins, as when reading.
const Exiv2::Exifdatum *firstDirectoryEntry(const ExifData &exif, std::uint16_t tag)
{
    const Exiv2::Exifdatum *found = nullptr;
    for (const auto &d : exif) {
        if (d.tag() == tag && d.groupName() == primaryGroup)
            found = &d;
    }
    return found;
}

QByteArray number(std::uint32_t value, int bytes, Exiv2::ByteOrder order)
{
    QByteArray out(bytes, '\0');
    for (int i = 0; i < bytes; ++i)
        out[order == Exiv2::bigEndian ? bytes - 1 - i : i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

} // namespace

std::optional<QByteArray> pngExifPayload(const QByteArray &file, const PngLayout &layout)
{
    return layout.exif ? pngChunkPayload(file, *layout.exif) : std::optional<QByteArray>(QByteArray());
}

QByteArray webpExifPayload(const QByteArray &file, const WebpLayout &layout)
{
    return layout.exif ? webpChunkData(file, layout.chunks[*layout.exif]) : QByteArray();
}

ExifData decodedBlock(const QByteArray &block, Exiv2::ByteOrder *order)
{
    ExifData exif;
    Exiv2::ByteOrder found = Exiv2::invalidByteOrder;
    if (!block.isEmpty())
        found = Exiv2::ExifParser::decode(exif, reinterpret_cast<const Exiv2::byte *>(block.constData()), static_cast<std::uint32_t>(block.size()));
    if (order)
        *order = found;
    return exif;
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
    if (format == ImageFormat::Png) {
        const auto layout = parsePngLayout(file);
        if (!layout)
            return ImageStatus::GenericError;
        out.png = *layout;
        out.exif = decodedBlock(withoutExifHeader(pngExifPayload(file, *layout).value_or(QByteArray())), &out.order);
        return ImageStatus::Ok;
    }
    if (format == ImageFormat::WebP) {
        const auto layout = parseWebpLayout(file);
        if (!layout)
            return ImageStatus::GenericError;
        out.webp = *layout;
        out.exif = decodedBlock(withoutExifHeader(webpExifPayload(file, *layout)), &out.order);
        return ImageStatus::Ok;
    }
    if (format == ImageFormat::Heif) {
        const ImageStatus status = parseBmffLayout(file, out.heif);
        if (status != ImageStatus::Ok)
            return status;
        if (!out.heif.exif)
            return ImageStatus::Ok;
        const auto data = bmffItemData(file, out.heif, out.heif.items[*out.heif.exif]);
        // The block is behind a 4-byte count of the bytes before it.
        if (!data || data->size() < 4 || qFromBigEndian<std::uint32_t>(data->constData()) > static_cast<std::uint64_t>(data->size()) - 4)
            return ImageStatus::GenericError;
        const std::uint32_t skip = qFromBigEndian<std::uint32_t>(data->constData());
        out.heifExifPrefix = data->left(static_cast<qsizetype>(4 + skip));
        out.exif = decodedBlock(data->mid(out.heifExifPrefix.size()), &out.order);
        return ImageStatus::Ok;
    }
    if (format != ImageFormat::Tiff)
        return ImageStatus::PropertyNotSupported;
    auto image = std::make_unique<Exiv2::TiffImage>(exiv::memoryIo(file.constData(), static_cast<std::size_t>(file.size())), false);
    image->readMetadata();
    out.exif = image->exifData();
    out.order = image->byteOrder();
    return ImageStatus::Ok;
}

void applyToExifData(ImageFormat format, ExifData &exif, Exiv2::ByteOrder order, const TagEdits &edits)
{
    if (edits.removeAll) {
        if (format == ImageFormat::Tiff) {
            // The first image loses all but its structure; the directories it
            // points to (Exif, GPS, maker notes) go with it; other pages stay.
            for (auto it = exif.begin(); it != exif.end();) {
                const std::string group = it->groupName();
                const bool keep = group == primaryGroup ? TiffEditor::isStructuralTag(it->tag()) || isTextTag(it->tag()) : isImageDirectory(group);
                it = keep ? std::next(it) : exif.erase(it);
            }
        } else {
            for (auto it = exif.begin(); it != exif.end();) {
                const bool keep
                    = it->groupName() == primaryGroup && (isTextTag(it->tag()) || (format == ImageFormat::Jpeg && isRequiredInJpeg(it->tag())));
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

bool sameExifData(const ExifData &a, const ExifData &b, Exiv2::ByteOrder order)
{
    return a.count() == b.count() && entriesOf(a, order) == entriesOf(b, order);
}

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
        const Exiv2::Exifdatum *found = firstDirectoryEntry(written, item.id);
        if (!found || found->typeId() != item.type || rawBytes(*found, order) != item.value)
            return false;
    }
    return true;
}

TagEdits freshBlockEdits(const ExifData &exif, Exiv2::ByteOrder order, const TagEdits &edits, const Resolution &resolution)
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
        fresh.set.push_back({0x011A, 5, number(resolution.x, 4, order) + number(resolution.xPer, 4, order)});
        fresh.set.push_back({0x011B, 5, number(resolution.y, 4, order) + number(resolution.yPer, 4, order)});
        fresh.set.push_back({0x0128, 3, number(resolution.unit, 2, order)});
        fresh.set.push_back({0x0213, 3, number(1, 2, order)}); // centred
    }
    fresh.set.insert(fresh.set.end(), edits.set.begin(), edits.set.end());
    return fresh;
}

TagEdits blockEdits(QByteArray &block, const Decoded &decoded, const TagEdits &edits, const Resolution &resolution, bool &fresh)
{
    fresh = block.isEmpty() || edits.removeAll;
    if (!fresh)
        return edits;
    const Exiv2::ByteOrder order = decoded.writeOrder();
    block = TiffEditor::emptyStructure(order == Exiv2::bigEndian ? 'M' : 'I');
    return freshBlockEdits(decoded.exif, order, edits, resolution);
}

bool blockAsIntended(const QByteArray &block, const ExifData &intended, bool fresh, const TagEdits &applied, Exiv2::ByteOrder order)
{
    ExifData expected = fresh ? ExifData() : intended;
    // A fresh block's edits only set tags, which every format takes alike.
    if (fresh)
        applyToExifData(ImageFormat::Jpeg, expected, order, applied);
    return sameExifData(expected, decodedBlock(block), order);
}

namespace {

constexpr std::uint16_t xpTitle = 0x9C9B;
constexpr std::uint16_t xpAuthor = 0x9C9D;
constexpr std::uint16_t xpSubject = 0x9C9F;
constexpr std::uint16_t xmpTag = 0x02BC;
constexpr std::uint16_t iptcTag = 0x83BB;
constexpr std::uint16_t photoshopTag = 0x8649;

// The copies that live in the first directory: the Windows tags, and in a
// TIFF the XMP packet, the IPTC data and the Photoshop resources (for the
// IPTC digest). A copy that cannot be parsed is left as it is.
void addCopiesInFirstDirectory(ImageFormat format, const ExifData &exif, Exiv2::ByteOrder order, const CopyEdits &copies, TagEdits &edits,
                               std::vector<QByteArray> &skipped)
{
    const auto set = [&](std::uint16_t tag, std::uint16_t type, const QByteArray &value) {
        edits.set.erase(std::remove_if(edits.set.begin(), edits.set.end(), [tag](const TagItem &t) { return t.id == tag; }), edits.set.end());
        edits.set.push_back({tag, type, value});
    };
    const std::pair<std::uint16_t, const std::optional<QByteArray> *> xp[]
        = {{xpTitle, &copies.description}, {xpSubject, &copies.description}, {xpAuthor, &copies.artist}};
    for (const auto &[tag, text] : xp) {
        const Exiv2::Exifdatum *stored = edits.removeAll ? nullptr : firstDirectoryEntry(exif, tag);
        if (*text && stored && CaptionCopies::fromXpValue(rawBytes(*stored, order)) != **text)
            set(tag, static_cast<std::uint16_t>(stored->typeId()), CaptionCopies::toXpValue(**text));
    }
    if (format != ImageFormat::Tiff || !copies.any())
        return;
    ImageStatus status = ImageStatus::Ok;
    const Exiv2::Exifdatum *xmp = firstDirectoryEntry(exif, xmpTag);
    if (xmp || copies.createMissing) {
        if (const auto packet = CaptionCopies::rewriteXmp(xmp ? rawBytes(*xmp, order) : CaptionCopies::emptyXmp(), copies, status))
            set(xmpTag, xmp ? static_cast<std::uint16_t>(xmp->typeId()) : 1, *packet);
        if (status != ImageStatus::Ok)
            skipped.push_back("XMP");
    }
    const Exiv2::Exifdatum *iptc = firstDirectoryEntry(exif, iptcTag);
    if (iptc || copies.createMissing) {
        if (auto iim = CaptionCopies::rewriteIptc(iptc ? rawBytes(*iptc, order) : QByteArray(), copies, status)) {
            const auto type = iptc ? static_cast<std::uint16_t>(iptc->typeId()) : std::uint16_t(7);
            const QByteArray data = *iim;
            if (type == 4)
                iim->append(QByteArray((4 - iim->size() % 4) % 4, '\0')); // a count of longs
            set(iptcTag, type, *iim);
            if (const Exiv2::Exifdatum *resources = firstDirectoryEntry(exif, photoshopTag)) {
                const QByteArray updated = CaptionCopies::withIptcDigest(rawBytes(*resources, order), data);
                if (updated != rawBytes(*resources, order))
                    set(photoshopTag, static_cast<std::uint16_t>(resources->typeId()), updated);
            }
        }
        if (status != ImageStatus::Ok)
            skipped.push_back("IPTC");
    }
}

// A text set to what a tag already says keeps the tag's own bytes: its
// type, its count, the zeros padding it, and a second part after a zero (a
// copyright of photographer and editor).
TagEdits withoutSameTexts(const ExifData &exif, Exiv2::ByteOrder order, const TagEdits &edits)
{
    TagEdits needed = edits;
    needed.set.clear();
    for (const TagItem &item : edits.set) {
        const Exiv2::Exifdatum *stored = firstDirectoryEntry(exif, item.id);
        const bool same = stored && item.type == asciiType && isTextTag(item.id) && untilZero(rawBytes(*stored, order)) == untilZero(item.value);
        if (!same)
            needed.set.push_back(item);
    }
    return needed;
}

// TIFF: the file is the structure TiffEditor edits; every page but the
// first directory keeps its bytes.
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

// The IPTC datasets of a block of Photoshop resources (a JPEG's APP13, a
// PNG's raw profile) or, as older ImageMagick writes them, of bare datasets.
QByteArray iptcOfProfile(const QByteArray &profile)
{
    if (profile.startsWith('\x1C'))
        return profile;
    const Exiv2::byte *record = nullptr;
    std::uint32_t header = 0, size = 0;
    if (profile.isEmpty()
        || Exiv2::Photoshop::locateIptcIrb(reinterpret_cast<const Exiv2::byte *>(profile.constData()), static_cast<long>(profile.size()), &record,
                                           &header, &size)
            != 0)
        return {};
    return QByteArray(reinterpret_cast<const char *>(record + header), static_cast<qsizetype>(size));
}

} // namespace

} // namespace lumicap::exifcodec

namespace lumicap {

ImageStatus ExifCodec::readTags(ImageFormat format, const QByteArray &file, std::vector<TagItem> &tags, QByteArray *thumbnail)
{
    using namespace exifcodec;
    tags.clear();
    if (thumbnail)
        thumbnail->clear();
    installExivLogHandler();
    return guardedExiv([&] {
        Decoded decoded;
        const ImageStatus status = decode(format, file, decoded);
        if (status != ImageStatus::Ok)
            return status;
        const auto order = decoded.writeOrder();
        tags.reserve(static_cast<std::size_t>(decoded.exif.count()));
        for (const auto &d : decoded.exif)
            tags.push_back({d.tag(), static_cast<std::uint16_t>(d.typeId()), rawBytes(d, order), QByteArray::fromStdString(d.groupName())});
        if (thumbnail) {
            // Only drawn while the preview decodes: a damaged one is no
            // reason to refuse the tags.
            try {
                *thumbnail = exiv::bytesOf(Exiv2::ExifThumbC(decoded.exif).copy());
            } catch (const std::exception &) { // Exiv2's errors, its overflow checks, memory
                thumbnail->clear();
            }
        }
        return ImageStatus::Ok;
    });
}

ImageStatus ExifCodec::applyEdits(ImageFormat format, QByteArray &file, const TagEdits &edits, bool &unchanged, QList<QByteArray> &pieces,
                                  std::vector<QByteArray> *untouched)
{
    using namespace exifcodec;
    std::vector<QByteArray> skipped;
    struct Report
    {
        std::vector<QByteArray> &from;
        std::vector<QByteArray> *to;
        ~Report()
        {
            if (to)
                *to = from;
        }
    } report{skipped, untouched};
    unchanged = false;
    pieces.clear();
    installExivLogHandler();
    return guardedExiv([&] {
        Decoded decoded;
        ImageStatus s = decode(format, file, decoded);
        if (s != ImageStatus::Ok)
            return s;
        const auto order = decoded.writeOrder();
        TagEdits needed = withoutSameTexts(decoded.exif, order, edits);
        addCopiesInFirstDirectory(format, decoded.exif, order, edits.copies, needed, skipped);
        ExifData intended = decoded.exif;
        applyToExifData(format, intended, order, needed);
        const bool exifChanged = !sameExifData(intended, decoded.exif, order);
        if (format == ImageFormat::Jpeg)
            return encodeJpeg(file, decoded, intended, needed, exifChanged, pieces, unchanged, skipped);
        if (format == ImageFormat::Png)
            return encodePng(file, decoded, intended, needed, exifChanged, pieces, unchanged, skipped);
        if (format == ImageFormat::WebP)
            return encodeWebp(file, decoded, intended, needed, exifChanged, pieces, unchanged, skipped);
        if (format == ImageFormat::Heif)
            return encodeHeif(file, decoded, intended, needed, exifChanged, pieces, unchanged, skipped);
        if (!exifChanged) {
            unchanged = true;
            return ImageStatus::Ok;
        }
        return encodeTiff(file, intended, needed, pieces);
    });
}

void ExifCodec::readCopies(ImageFormat format, const QByteArray &file, const std::vector<TagItem> &tags, FieldCopies &copies)
{
    using namespace exifcodec;
    copies = FieldCopies();
    for (const TagItem &tag : tags) {
        if (tag.group != primaryGroup)
            continue;
        if (tag.id == xpTitle || tag.id == xpSubject)
            copies.description.push_back({tag.id == xpTitle ? "XPTitle" : "XPSubject", CaptionCopies::fromXpValue(tag.value)});
        else if (tag.id == xpAuthor)
            copies.artist.push_back({"XPAuthor", CaptionCopies::fromXpValue(tag.value)});
        else if (format == ImageFormat::Tiff && tag.id == xmpTag)
            CaptionCopies::readXmp(tag.value, copies);
        else if (format == ImageFormat::Tiff && tag.id == iptcTag)
            CaptionCopies::readIptc(tag.value, copies);
    }
    if (format == ImageFormat::WebP) {
        const auto webp = parseWebpLayout(file);
        if (webp && webp->xmp)
            CaptionCopies::readXmp(webpChunkData(file, webp->chunks[*webp->xmp]), copies);
        return;
    }
    if (format == ImageFormat::Png) {
        if (const auto png = parsePngLayout(file)) {
            if (const auto packet = png->xmp ? pngChunkPayload(file, *png->xmp) : std::nullopt)
                CaptionCopies::readXmp(*packet, copies);
            // Each IPTC chunk's copies; one that says the same as another is listed once.
            FieldCopies iptc;
            for (const PngChunk &chunk : png->iptc) {
                if (const auto profile = pngChunkPayload(file, chunk))
                    CaptionCopies::readIptc(iptcOfProfile(*profile), iptc);
            }
            const auto addNew = [](std::vector<TextCopy> &to, const std::vector<TextCopy> &from) {
                for (const TextCopy &copy : from) {
                    if (std::find(to.begin(), to.end(), copy) == to.end())
                        to.push_back(copy);
                }
            };
            addNew(copies.description, iptc.description);
            addNew(copies.artist, iptc.artist);
            addNew(copies.copyright, iptc.copyright);
        }
        return;
    }
    if (format == ImageFormat::Heif) {
        BmffLayout heif;
        if (parseBmffLayout(file, heif) == ImageStatus::Ok && heif.xmp) {
            if (const auto packet = bmffItemData(file, heif, heif.items[*heif.xmp]))
                CaptionCopies::readXmp(*packet, copies);
        }
        return;
    }
    if (format != ImageFormat::Jpeg)
        return;
    const auto layout = parseJpegLayout(file);
    if (!layout)
        return;
    JpegXmp::readCopies(file, *layout, copies);
    const QByteArray resources = segmentPayload(file, layout->photoshopOffset, layout->photoshopSize, std::strlen(photoshopSignature));
    CaptionCopies::readIptc(iptcOfProfile(resources), copies);
}

} // namespace lumicap
