#include "imaging/XmpEditor.h"

#include "imaging/NameList.h"

#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QXmlStreamReader>

#include <algorithm>
#include <optional>
#include <vector>

namespace lumicap {

namespace {
const QString dcNs = QStringLiteral("http://purl.org/dc/elements/1.1/");
const QString rdfNs = QStringLiteral("http://www.w3.org/1999/02/22-rdf-syntax-ns#");
const QString xmlNs = QStringLiteral("http://www.w3.org/XML/1998/namespace");

struct Span
{
    qsizetype begin = -1;
    qsizetype end = -1;
    bool found() const { return begin >= 0; }
};

// Where one property lies in the packet's text, and what it holds.
struct Property
{
    Span element;
    // The property's start tag, which may declare its own namespace (as the
    // copies this program makes do): a rewrite keeps it.
    QString startTag;
    QString prefix;    // of the property element
    QString rdfPrefix; // of its container
    QString container; // Alt, Seq or Bag
    std::vector<Span> otherLanguages;
    std::vector<QString> items; // the texts of its items
    std::vector<Span> itemSpans;
    QString defaultText;
};

struct Layout
{
    Property description, creator, rights;
    // Where new properties go: the first rdf:Description start tag, or, in a
    // packet without one, the rdf:RDF start tag.
    Span descriptionTag;
    QString rdfPrefix;
    bool descriptionClosed = false; // written as <rdf:Description .../>
    bool hasDescription = false;
};

QString escaped(const QString &text)
{
    QString out = text.toHtmlEscaped();
    return out.replace(QLatin1String("&quot;"), QLatin1String("\""));
}

bool isXmlText(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= QChar(0x20) || c == '\t' || c == '\n' || c == '\r'; });
}

QString qualified(const QString &prefix, const char *name)
{
    return prefix.isEmpty() ? QString::fromLatin1(name) : prefix + ':' + QLatin1String(name);
}

// An item's text, read up to the item's end: its own, or, for an item with
// qualifiers, that of its rdf:value (an element, or an attribute of the item).
QString itemText(QXmlStreamReader &xml)
{
    QString own;
    std::optional<QString> value;
    if (xml.attributes().hasAttribute(rdfNs, QLatin1String("value")))
        value = xml.attributes().value(rdfNs, QLatin1String("value")).toString();
    for (int depth = 1; depth > 0 && !xml.atEnd();) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement && !value && xml.namespaceUri() == rdfNs && xml.name() == QLatin1String("value"))
            value = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        else if (token == QXmlStreamReader::StartElement)
            ++depth;
        else if (token == QXmlStreamReader::EndElement)
            --depth;
        else if (token == QXmlStreamReader::Characters && depth == 1)
            own += xml.text();
    }
    return value.value_or(own);
}

// Reads the packet once and notes where the three properties are. Offsets
// are in characters of text.
bool locate(const QString &text, Layout &layout)
{
    QXmlStreamReader xml(text);
    qsizetype tokenStart = 0;
    Property *current = nullptr;
    int depth = 0, propertyDepth = 0;
    Span item;
    bool itemIsDefault = false;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            // The reader may have looked past the start of the token; a tag
            // begins at the last '<' before its end ('<' cannot stand in an
            // attribute value).
            tokenStart = text.lastIndexOf('<', xml.characterOffset() - 1);
            ++depth;
            if (!current && xml.namespaceUri() == dcNs) {
                current = xml.name() == QLatin1String("description") ? &layout.description
                    : xml.name() == QLatin1String("creator")         ? &layout.creator
                    : xml.name() == QLatin1String("rights")          ? &layout.rights
                                                                     : nullptr;
                if (current && current->element.found())
                    return false; // a property twice: not ours to guess which
                if (current) {
                    current->element.begin = tokenStart;
                    current->startTag = text.mid(tokenStart, xml.characterOffset() - tokenStart);
                    current->prefix = xml.prefix().toString();
                    propertyDepth = depth;
                }
            } else if (current && xml.namespaceUri() == rdfNs && depth == propertyDepth + 1) {
                current->container = xml.name().toString();
                current->rdfPrefix = xml.prefix().toString();
            } else if (current && xml.namespaceUri() == rdfNs && xml.name() == QLatin1String("li") && depth == propertyDepth + 2) {
                item = {tokenStart, -1};
                itemIsDefault = xml.attributes().value(xmlNs, QLatin1String("lang")) == QLatin1String("x-default");
                const QString value = itemText(xml);
                --depth;
                item.end = xml.characterOffset();
                current->items.push_back(value);
                current->itemSpans.push_back(item);
                if (current->container != QLatin1String("Alt"))
                    continue;
                if (itemIsDefault && current->defaultText.isNull())
                    current->defaultText = value;
                else
                    current->otherLanguages.push_back(item);
            } else if (!current && xml.namespaceUri() == rdfNs && !layout.hasDescription
                       && (xml.name() == QLatin1String("Description") || xml.name() == QLatin1String("RDF"))) {
                layout.hasDescription = xml.name() == QLatin1String("Description");
                layout.descriptionTag = {tokenStart, xml.characterOffset()};
                layout.rdfPrefix = xml.prefix().toString();
                layout.descriptionClosed = text.mid(tokenStart, xml.characterOffset() - tokenStart).trimmed().endsWith(QLatin1String("/>"));
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (current && depth == propertyDepth) {
                current->element.end = xml.characterOffset();
                current = nullptr;
            }
            --depth;
        }
    }
    return !xml.hasError();
}

QString element(const Property &p, const char *name, const QString &container, const std::vector<QString> &items, const QString &original,
                const QString &rdf)
{
    const QString prefix = p.element.found() ? p.prefix : QStringLiteral("dc");
    QString out = p.element.found() ? p.startTag : '<' + qualified(prefix, name) + " xmlns:dc=\"" + dcNs + "\">";
    if (out.endsWith(QLatin1String("/>"))) // an empty property, <dc:rights/>
        out = out.chopped(2) + '>';
    out += '<' + qualified(rdf, container.toLatin1().constData()) + '>';
    const bool alt = container == QLatin1String("Alt");
    // A name that stays keeps its item as it was, qualifiers and all.
    std::vector<bool> kept(p.items.size(), alt);
    for (const QString &item : items) {
        std::size_t old = 0;
        while (old < p.items.size() && (kept[old] || p.items[old] != item))
            ++old;
        if (old < p.items.size()) {
            kept[old] = true;
            out += original.mid(p.itemSpans[old].begin, p.itemSpans[old].end - p.itemSpans[old].begin);
            continue;
        }
        out += '<' + qualified(rdf, "li") + (alt ? QStringLiteral(" xml:lang=\"x-default\"") : QString()) + '>' + escaped(item) + "</"
            + qualified(rdf, "li") + '>';
    }
    for (const Span &other : p.otherLanguages)
        out += original.mid(other.begin, other.end - other.begin);
    out += "</" + qualified(rdf, container.toLatin1().constData()) + "></" + qualified(prefix, name) + '>';
    return out;
}

struct Change
{
    Span span;
    QString text;
};

// The packet's padding before its trailer grows or shrinks by delta
// characters when it can, so the packet keeps its length.
void keepLength(QString &text, qsizetype delta)
{
    const qsizetype trailer = text.lastIndexOf(QLatin1String("<?xpacket end"));
    if (trailer < 0 || delta == 0)
        return;
    qsizetype padding = trailer;
    while (padding > 0 && text[padding - 1].isSpace())
        --padding;
    if (delta > 0 && trailer - padding > delta)
        text.remove(trailer - delta, delta);
    else if (delta < 0)
        text.insert(trailer, QString(-delta, ' '));
}
} // namespace

std::optional<QByteArray> XmpEditor::apply(const QByteArray &packet, const CopyEdits &edits, ImageStatus &status)
{
    status = ImageStatus::Ok;
    // UTF-8 as a rule; UTF-16 when the packet starts so.
    const bool utf16
        = packet.size() > 1 && (packet[0] == '\0' || packet[1] == '\0' || packet.startsWith("\xFE\xFF") || packet.startsWith("\xFF\xFE"));
    const bool bigEndian = utf16 && (packet[0] == '\0' || packet.startsWith("\xFE\xFF"));
    const auto encoding = !utf16 ? QStringConverter::Utf8 : bigEndian ? QStringConverter::Utf16BE : QStringConverter::Utf16LE;
    QStringDecoder decode(encoding, QStringConverter::Flag::Stateless);
    const QString text = decode(packet);
    Layout layout;
    if (decode.hasError() || !locate(text, layout)) {
        status = ImageStatus::GenericError;
        return std::nullopt;
    }

    std::vector<Change> changes;
    QString added;
    const auto edit = [&](const Property &p, const char *name, const std::optional<QByteArray> &wanted, bool list, bool removed) {
        if (wanted && removed && p.element.found())
            changes.push_back({p.element, QString()});
        // An empty text never makes a copy: it would show nothing anyway.
        if (!wanted || removed || (!p.element.found() && (!edits.createMissing || wanted->isEmpty())))
            return true;
        const QString value = QString::fromUtf8(*wanted);
        if (!isXmlText(value))
            return false;
        std::vector<QString> items;
        for (const QByteArray &name : list ? splitNames(*wanted) : std::vector<QByteArray>{*wanted})
            items.push_back(QString::fromUtf8(name));
        if (list ? items == p.items : p.defaultText == value)
            return true;
        const QString container = list ? (p.container.isEmpty() ? QStringLiteral("Seq") : p.container) : QStringLiteral("Alt");
        const QString replacement = element(p, name, container, items, text, p.element.found() ? p.rdfPrefix : layout.rdfPrefix);
        if (p.element.found())
            changes.push_back({p.element, replacement});
        else
            added += replacement;
        return true;
    };
    if (!edit(layout.description, "description", edits.description, false, edits.removeDescription.xmp)
        || !edit(layout.creator, "creator", edits.artist, true, edits.removeArtist.xmp)
        || !edit(layout.rights, "rights", edits.copyright, false, edits.removeCopyright.xmp)) {
        status = ImageStatus::InvalidParameter;
        return std::nullopt;
    }
    if (!added.isEmpty()) {
        if (!layout.descriptionTag.found()) {
            status = ImageStatus::GenericError;
            return std::nullopt;
        }
        const Span tag = layout.descriptionTag;
        const QString description = qualified(layout.rdfPrefix, "Description");
        if (!layout.hasDescription)
            added = '<' + description + ' ' + qualified(layout.rdfPrefix, "about") + "=\"\">" + added + "</" + description + '>';
        if (layout.descriptionClosed) {
            const qsizetype slash = text.lastIndexOf(QLatin1String("/>"), tag.end - 1);
            const QString host = layout.hasDescription ? description : qualified(layout.rdfPrefix, "RDF");
            changes.push_back({{slash, tag.end}, '>' + added + "</" + host + '>'});
        } else {
            changes.push_back({{tag.end, tag.end}, added});
        }
    }
    if (changes.empty())
        return std::nullopt;

    std::sort(changes.begin(), changes.end(), [](const Change &a, const Change &b) { return a.span.begin > b.span.begin; });
    QString result = text;
    for (const Change &c : changes)
        result.replace(c.span.begin, c.span.end - c.span.begin, c.text);
    QStringEncoder encode(encoding, QStringConverter::Flag::Stateless);
    QByteArray bytes = encode(result);
    const qsizetype unit = utf16 ? 2 : 1;
    keepLength(result, (bytes.size() - packet.size()) / unit);
    bytes = encode(result);
    return bytes;
}

} // namespace lumicap
