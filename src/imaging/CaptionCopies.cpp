#include "imaging/CaptionCopies.h"

#include "imaging/ExivCompat.h"
#include "imaging/ExivGuard.h"
#include "imaging/NameList.h"
#include "imaging/Utf8Check.h"
#include "imaging/XmpEditor.h"

#include <QCryptographicHash>
#include <QString>

#include <algorithm>
#include <map>
#include <tuple>
#include <utility>

namespace lumicap::CaptionCopies {

namespace {
constexpr const char *xmpDescription = "Xmp.dc.description";
constexpr const char *xmpCreator = "Xmp.dc.creator";
constexpr const char *xmpRights = "Xmp.dc.rights";
constexpr const char *iptcCaption = "Iptc.Application2.Caption";
constexpr const char *iptcByline = "Iptc.Application2.Byline";
constexpr const char *iptcCopyright = "Iptc.Application2.Copyright";
constexpr const char *iptcCharset = "Iptc.Envelope.CharacterSet";
const std::string utf8Marker = "\x1b%G";
constexpr std::uint16_t iptcResource = 0x0404;
constexpr std::uint16_t digestResource = 0x0425;

QByteArray qbytes(const std::string &s)
{
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

// --- XMP -------------------------------------------------------------------

QByteArray langAltDefault(const Exiv2::Xmpdatum &d)
{
    if (const auto *alt = dynamic_cast<const Exiv2::LangAltValue *>(&d.value())) {
        const auto it = alt->value_.find("x-default");
        return qbytes(it != alt->value_.end() ? it->second : alt->value_.empty() ? std::string() : alt->value_.begin()->second);
    }
    return qbytes(d.toString());
}

// One item of a list: its text, and what is below it (the qualifiers of
// an item written as a resource), by key after the item's own.
struct ListItem
{
    QByteArray value;
    std::multimap<std::string, std::string> parts;
    bool operator==(const ListItem &o) const { return value == o.value && parts == o.parts; }
};

// Exiv2 keeps a list of plain texts as one array value, and a list with
// qualified items as one key per item ("Xmp.dc.creator[1]") and its parts.
std::vector<ListItem> listItems(const Exiv2::XmpData &xmp, const std::string &key)
{
    std::vector<ListItem> items;
    for (const auto &d : xmp) {
        const std::string k = d.key();
        if (k == key && dynamic_cast<const Exiv2::XmpArrayValue *>(&d.value())) {
            for (long i = 0; i < d.count(); ++i)
                items.push_back({qbytes(d.toString(i)), {}});
        } else if (k.rfind(key + '[', 0) == 0 && k.find(']') != std::string::npos) {
            const std::size_t close = k.find(']'), index = std::strtoul(k.c_str() + key.size() + 1, nullptr, 10);
            if (index == 0 || index > static_cast<std::size_t>(xmp.count()))
                continue;
            items.resize(std::max(items.size(), index));
            if (close + 1 == k.size())
                items[index - 1].value = qbytes(d.toString());
            else
                items[index - 1].parts.emplace(k.substr(close + 1), d.toString());
        }
    }
    return items;
}

std::vector<QByteArray> valuesOf(const std::vector<ListItem> &items)
{
    std::vector<QByteArray> values;
    for (const ListItem &item : items)
        values.push_back(item.value);
    return values;
}

// Whether a key is the property or anything below it.
bool isUnder(const std::string &key, const std::string &property)
{
    return key.rfind(property, 0) == 0 && (key.size() == property.size() || key[property.size()] == '[' || key[property.size()] == '/');
}

std::map<std::string, std::string> languages(const Exiv2::XmpData &xmp, const char *key)
{
    const auto it = xmp.findKey(Exiv2::XmpKey(key));
    if (it == xmp.end())
        return {};
    if (const auto *alt = dynamic_cast<const Exiv2::LangAltValue *>(&it->value()))
        return {alt->value_.begin(), alt->value_.end()};
    return {{"x-default", it->toString()}};
}

// The edited packet must read as the old one with the new texts: every
// other property as it was, every other language of a text, and each name
// that stays with its qualifiers.
bool readsAsEdited(const Exiv2::XmpData &before, const Exiv2::XmpData &after, const CopyEdits &edits)
{
    const std::tuple<const char *, const std::optional<QByteArray> *, bool> texts[]
        = {{xmpDescription, &edits.description, edits.removeDescription.xmp}, {xmpRights, &edits.copyright, edits.removeCopyright.xmp}};
    const auto edited = [&](const std::string &key) {
        return (edits.artist && isUnder(key, xmpCreator))
            || std::any_of(std::begin(texts), std::end(texts), [&](const auto &t) { return *std::get<1>(t) && isUnder(key, std::get<0>(t)); });
    };
    const auto others = [&](const Exiv2::XmpData &xmp) {
        std::multimap<std::string, std::string> out;
        for (const auto &d : xmp) {
            if (!edited(d.key()))
                out.emplace(d.key(), d.toString());
        }
        return out;
    };
    if (others(before) != others(after))
        return false;
    for (const auto &[key, text, removed] : texts) {
        auto expected = languages(before, key);
        const auto found = languages(after, key);
        if (!*text || found == expected)
            continue;
        if (removed)
            expected.clear();
        else
            expected["x-default"] = (*text)->toStdString();
        if (found != expected)
            return false;
    }
    const auto items = listItems(after, xmpCreator);
    std::vector<ListItem> unused = listItems(before, xmpCreator);
    if (!edits.artist || items == unused)
        return true;
    if (edits.removeArtist.xmp)
        return items.empty();
    if (joinedNames(valuesOf(items)) != joinedNames(splitNames(*edits.artist))) // Exiv2 reads one empty name as none
        return false;
    // A name that was there before stays with its qualifiers; a new one has none.
    for (const ListItem &item : items) {
        const auto same = std::find_if(unused.begin(), unused.end(), [&](const ListItem &old) { return old.value == item.value; });
        if (same == unused.end() ? !item.parts.empty() : same->parts != item.parts)
            return false;
        if (same != unused.end())
            unused.erase(same);
    }
    return true;
}

// --- IPTC ------------------------------------------------------------------

bool iptcIsUtf8(const Exiv2::IptcData &iptc)
{
    const auto it = iptc.findKey(Exiv2::IptcKey(iptcCharset));
    return it != iptc.end() && it->toString() == utf8Marker;
}

QByteArray iptcText(const std::string &stored, bool utf8)
{
    // Many writers store UTF-8 without saying so; Windows-1252 otherwise.
    return utf8 ? qbytes(stored) : asUtf8(qbytes(stored));
}

// Whether a text is stored as the same bytes in Latin-1 and Windows-1252,
// so IPTC without a marker reads it back, whichever of the two it is taken for.
bool fitsSingleByte(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80 || (c.unicode() >= 0xA0 && c.unicode() <= 0xFF); });
}

std::vector<QByteArray> iptcValues(const Exiv2::IptcData &iptc, const char *key)
{
    std::vector<QByteArray> out;
    const bool utf8 = iptcIsUtf8(iptc);
    for (const auto &d : iptc) {
        if (d.key() == key)
            out.push_back(iptcText(d.toString(), utf8));
    }
    return out;
}

// Moves IPTC without a character-set marker to UTF-8: every text dataset
// becomes the UTF-8 of what it reads as, and the marker is set.
void markAsUtf8(Exiv2::IptcData &iptc)
{
    for (auto &d : iptc) {
        if (d.typeId() == Exiv2::string)
            d.setValue(iptcText(d.toString(), false).toStdString());
    }
    iptc[iptcCharset] = utf8Marker;
}

// The IPTC data with one field's datasets replaced, the new ones where the
// first old one was; the character set moves to UTF-8 (and the other texts
// with it) when a text has a character Latin-1 and Windows-1252 store apart.
// A removed field loses its datasets.
bool setIptc(Exiv2::IptcData &iptc, const char *key, const QByteArray &text, bool repeatable, bool create, int maxBytes, bool removed)
{
    if (removed) {
        Exiv2::IptcData out;
        for (const auto &d : iptc) {
            if (d.key() != key)
                out.add(d);
        }
        std::swap(iptc, out);
        return iptc.size() != out.size();
    }
    const auto before = iptcValues(iptc, key);
    if (before.empty() && (!create || text.isEmpty()))
        return false; // an empty text never makes a copy
    auto items = repeatable ? splitNames(text) : std::vector<QByteArray>{text};
    const bool utf8 = iptcIsUtf8(iptc) || !fitsSingleByte(QString::fromUtf8(text));
    // A dataset longer than IPTC allows is refused or cut by other programs.
    for (QByteArray &item : items)
        item = utf8 ? cutUtf8(item, maxBytes) : QString::fromUtf8(item).left(maxBytes).toUtf8();
    if (items == before)
        return false;
    if (!iptcIsUtf8(iptc) && utf8)
        markAsUtf8(iptc);
    Exiv2::IptcData out;
    const auto addItems = [&] {
        for (const QByteArray &item : items) {
            Exiv2::StringValue value(utf8 ? item.toStdString() : QString::fromUtf8(item).toLatin1().toStdString());
            out.add(Exiv2::IptcKey(key), &value);
        }
    };
    bool added = false;
    for (const auto &d : iptc) {
        if (d.key() != key)
            out.add(d);
        else if (!std::exchange(added, true))
            addItems();
    }
    if (!added)
        addItems();
    iptc = out;
    return true;
}

bool applyToIptc(Exiv2::IptcData &iptc, const CopyEdits &edits)
{
    bool changed = false;
    if (edits.description)
        changed |= setIptc(iptc, iptcCaption, *edits.description, false, edits.createMissing, iptcCaptionBytes, edits.removeDescription.iptc);
    if (edits.artist)
        changed |= setIptc(iptc, iptcByline, *edits.artist, true, edits.createMissing, iptcBylineBytes, edits.removeArtist.iptc);
    if (edits.copyright)
        changed |= setIptc(iptc, iptcCopyright, *edits.copyright, false, edits.createMissing, iptcCopyrightBytes, edits.removeCopyright.iptc);
    return changed;
}

QByteArray encodeIptc(const Exiv2::IptcData &iptc)
{
    return exiv::bytesOf(Exiv2::IptcParser::encode(iptc));
}

// IPTC is rewritten only when the parser understood all of it: written back
// unchanged, it must give the very bytes it was read from.
bool decodeExactly(const Exiv2::byte *data, std::uint32_t size, Exiv2::IptcData &iptc)
{
    // (Zeros after the last dataset are padding: a TIFF stores IPTC as longs.)
    QByteArray stored(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    while (stored.endsWith('\0'))
        stored.chop(1);
    return Exiv2::IptcParser::decode(iptc, data, size) == 0 && encodeIptc(iptc) == stored;
}
} // namespace

QByteArray cutUtf8(const QByteArray &utf8, int bytes)
{
    if (utf8.size() <= bytes)
        return utf8;
    qsizetype end = bytes;
    while (end > 0 && (static_cast<unsigned char>(utf8.at(end)) & 0xC0) == 0x80)
        --end; // back to the first byte of the character cut through
    return utf8.left(end);
}

void readXmp(const QByteArray &packet, FieldCopies &copies)
{
    if (packet.isEmpty())
        return;
    (void)guardedExiv([&] {
        Exiv2::XmpData xmp;
        if (Exiv2::XmpParser::decode(xmp, packet.toStdString()) != 0)
            return ImageStatus::GenericError;
        for (const auto &d : xmp) {
            if (d.key() == xmpDescription)
                copies.description.push_back({"XMP", langAltDefault(d)});
            else if (d.key() == xmpRights)
                copies.copyright.push_back({"XMP", langAltDefault(d)});
            else if (d.key() == xmpCreator)
                copies.artist.push_back({"XMP", joinedNames(valuesOf(listItems(xmp, xmpCreator)))});
        }
        return ImageStatus::Ok;
    });
}

void readIptc(const QByteArray &iim, FieldCopies &copies)
{
    if (iim.isEmpty())
        return;
    (void)guardedExiv([&] {
        Exiv2::IptcData iptc;
        if (Exiv2::IptcParser::decode(iptc, reinterpret_cast<const Exiv2::byte *>(iim.constData()), static_cast<std::uint32_t>(iim.size())) != 0)
            return ImageStatus::GenericError;
        const auto add = [&](std::vector<TextCopy> &field, const char *key) {
            const auto values = iptcValues(iptc, key);
            if (!values.empty())
                field.push_back({"IPTC", joinedNames(values)});
        };
        add(copies.description, iptcCaption);
        add(copies.artist, iptcByline);
        add(copies.copyright, iptcCopyright);
        return ImageStatus::Ok;
    });
}

QByteArray fromXpValue(const QByteArray &value)
{
    QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(value.constData()), value.size() / 2);
    const qsizetype zero = text.indexOf(QChar(0));
    return (zero < 0 ? text : text.left(zero)).toUtf8();
}

QByteArray toXpValue(const QByteArray &utf8)
{
    const QString text = QString::fromUtf8(utf8);
    QByteArray out;
    for (const QChar c : text)
        out.append(static_cast<char>(c.unicode() & 0xFF)).append(static_cast<char>(c.unicode() >> 8));
    return out.append(2, '\0');
}

std::optional<QByteArray> rewriteXmp(const QByteArray &packet, const CopyEdits &typed, ImageStatus &status)
{
    // XML cannot hold the control characters but tab and line breaks: the
    // XMP copy is the text without them, as it shows anyway.
    CopyEdits edits = typed;
    for (std::optional<QByteArray> *text : {&edits.description, &edits.artist, &edits.copyright}) {
        if (*text)
            (*text)->removeIf([](char c) { return static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r'; });
    }
    std::optional<QByteArray> result = XmpEditor::apply(packet, edits, status);
    if (!result)
        return std::nullopt;
    status = guardedExiv([&] {
        Exiv2::XmpData before, after;
        if (Exiv2::XmpParser::decode(before, packet.toStdString()) != 0 || Exiv2::XmpParser::decode(after, result->toStdString()) != 0)
            return ImageStatus::GenericError;
        return readsAsEdited(before, after, edits) ? ImageStatus::Ok : ImageStatus::GenericError;
    });
    return status == ImageStatus::Ok ? result : std::nullopt;
}

std::optional<QByteArray> rewriteIptc(const QByteArray &iim, const CopyEdits &edits, ImageStatus &status)
{
    std::optional<QByteArray> result;
    status = guardedExiv([&] {
        Exiv2::IptcData iptc;
        if (!iim.isEmpty() && !decodeExactly(reinterpret_cast<const Exiv2::byte *>(iim.constData()), static_cast<std::uint32_t>(iim.size()), iptc))
            return ImageStatus::GenericError;
        if (applyToIptc(iptc, edits))
            result = encodeIptc(iptc);
        return ImageStatus::Ok;
    });
    return status == ImageStatus::Ok ? result : std::nullopt;
}

QByteArray withIptcDigest(const QByteArray &resources, const QByteArray &iim)
{
    QByteArray out = resources;
    const Exiv2::byte *record = nullptr;
    std::uint32_t header = 0, size = 0;
    const auto *data = reinterpret_cast<const Exiv2::byte *>(out.constData());
    if (Exiv2::Photoshop::locateIrb(data, static_cast<long>(out.size()), digestResource, &record, &header, &size) == 0 && size == 16) {
        const auto at = static_cast<qsizetype>(record - data) + static_cast<qsizetype>(header);
        out.replace(at, 16, QCryptographicHash::hash(iim, QCryptographicHash::Md5));
    }
    return out;
}

std::optional<QByteArray> rewritePhotoshop(const QByteArray &resources, const CopyEdits &edits, ImageStatus &status)
{
    std::optional<QByteArray> result;
    status = guardedExiv([&] {
        const auto *data = reinterpret_cast<const Exiv2::byte *>(resources.constData());
        const Exiv2::byte *record = nullptr;
        std::uint32_t header = 0, size = 0;
        const int found = Exiv2::Photoshop::locateIrb(data, static_cast<long>(resources.size()), iptcResource, &record, &header, &size);
        if (found < 0)
            return ImageStatus::GenericError;
        Exiv2::IptcData iptc;
        if (found == 0 && !decodeExactly(record + header, size, iptc))
            return ImageStatus::GenericError;
        if (!applyToIptc(iptc, edits))
            return ImageStatus::Ok;
        const QByteArray irb = exiv::bytesOf(Exiv2::Photoshop::setIptcIrb(data, static_cast<long>(resources.size()), iptc));
        result = withIptcDigest(irb, encodeIptc(iptc));
        return ImageStatus::Ok;
    });
    return status == ImageStatus::Ok ? result : std::nullopt;
}

QByteArray emptyXmp()
{
    return "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
           "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
           "<rdf:Description rdf:about=\"\"/></rdf:RDF></x:xmpmeta>\n"
        + QByteArray(2048, ' ') + "\n<?xpacket end=\"w\"?>";
}

} // namespace lumicap::CaptionCopies
