#include "imaging/RawFiles.h"

#include "imaging/CaptionCopies.h"
#include "imaging/ExivCompat.h"
#include "imaging/ExivGuard.h"
#include "imaging/ExivLog.h"
#include "imaging/Utf8Check.h"

#include <cstring>

namespace lumicap::RawFiles {

namespace {
bool at(const char *data, std::size_t size, std::size_t offset, const char *magic, std::size_t n)
{
    return size >= offset + n && std::memcmp(data + offset, magic, n) == 0;
}

void addCopies(const FieldCopies &from, const QByteArray &where, FieldCopies &to)
{
    const auto add = [&where](const std::vector<TextCopy> &source, std::vector<TextCopy> &target) {
        for (const TextCopy &copy : source)
            target.push_back({where, copy.text});
    };
    add(from.description, to.description);
    add(from.artist, to.artist);
    add(from.copyright, to.copyright);
}
} // namespace

bool hasRawSignature(const char *data, std::size_t size)
{
    return (at(data, size, 0, "II*\0", 4) && at(data, size, 8, "CR\x02", 3))                            // CR2
        || at(data, size, 4, "ftypcrx ", 8)                                                             // CR3
        || at(data, size, 0, "IIRO", 4) || at(data, size, 0, "IIRS", 4) || at(data, size, 0, "MMOR", 4) // ORF
        || at(data, size, 0, "IIU\0", 4)                                                                // RW2
        || at(data, size, 0, "FUJIFILMCCD-RAW ", 16);                                                   // RAF
}

bool hasRawExtension(const QByteArray &path)
{
    static const char *const extensions[] = {".cr2", ".cr3", ".nef", ".nrw", ".arw", ".sr2", ".srf", ".orf", ".rw2",
                                             ".pef", ".raf", ".srw", ".3fr", ".iiq", ".erf", ".kdc", ".mef", ".mos"};
    const QByteArray lower = path.toLower();
    for (const char *extension : extensions) {
        if (lower.endsWith(extension))
            return true;
    }
    return false;
}

ImageStatus read(const QByteArray &file, Contents &contents)
{
    contents = Contents();
    installExivLogHandler();
#if EXIV2_TEST_VERSION(0, 27, 4) && !EXIV2_TEST_VERSION(0, 28, 0)
    Exiv2::enableBMFF(true); // CR3
#endif
    return guardedExiv([&] {
        auto image = Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte *>(file.constData()), static_cast<exiv::Size>(file.size()));
        if (!image.get())
            return ImageStatus::UnknownImageFormat;
        image->readMetadata();
        const Exiv2::ExifData &exif = image->exifData();
        const Exiv2::ByteOrder order = image->byteOrder() == Exiv2::invalidByteOrder ? Exiv2::littleEndian : image->byteOrder();
        FieldCopies own;
        for (const auto &d : exif) {
            QByteArray value(static_cast<qsizetype>(d.size()), Qt::Uninitialized);
            if (!value.isEmpty())
                d.copy(reinterpret_cast<Exiv2::byte *>(value.data()), order);
            const QByteArray group = QByteArray::fromStdString(d.groupName());
            if (group == primaryGroup && isTextTag(d.tag())) {
                auto &field = d.tag() == 0x010E ? own.description : d.tag() == 0x013B ? own.artist : own.copyright;
                field.push_back({"raw Exif", asUtf8(untilZero(value))});
            } else {
                contents.tags.push_back({d.tag(), static_cast<std::uint16_t>(d.typeId()), value, group});
            }
        }
        addCopies(own, "raw Exif", contents.copies);
        if (!image->xmpPacket().empty()) {
            FieldCopies xmp;
            CaptionCopies::readXmp(QByteArray::fromStdString(image->xmpPacket()), xmp);
            addCopies(xmp, "raw XMP", contents.copies);
        }
        if (!image->iptcData().empty()) {
            FieldCopies iptc;
            CaptionCopies::readIptc(exiv::bytesOf(Exiv2::IptcParser::encode(image->iptcData())), iptc);
            addCopies(iptc, "raw IPTC", contents.copies);
        }
        // The preview is only drawn: one that cannot be had is no reason to
        // refuse the fields.
        try {
            Exiv2::PreviewManager previews(*image);
            const auto list = previews.getPreviewProperties();
            const Exiv2::PreviewProperties *largest = nullptr;
            for (const auto &p : list) {
                if (!largest || std::uint64_t(p.width_) * p.height_ > std::uint64_t(largest->width_) * largest->height_)
                    largest = &p;
            }
            if (largest) {
                const Exiv2::PreviewImage preview = previews.getPreviewImage(*largest);
                contents.preview = QByteArray(reinterpret_cast<const char *>(preview.pData()), static_cast<qsizetype>(preview.size()));
                contents.previewSize = QSize(static_cast<int>(largest->width_), static_cast<int>(largest->height_));
            }
        } catch (const std::exception &) { // Exiv2's errors, its overflow checks, memory
            contents.preview.clear();
        }
        return ImageStatus::Ok;
    });
}

} // namespace lumicap::RawFiles
