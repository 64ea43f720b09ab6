#include "imaging/XmpSplit.h"

#include "imaging/ExivCompat.h"
#include "imaging/ExivGuard.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QString>
#include <QXmlStreamReader>

#include <algorithm>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace lumicap {

namespace {
const QString rdfUri = QStringLiteral("http://www.w3.org/1999/02/22-rdf-syntax-ns#");
const std::string guidKey = "Xmp.xmpNote.HasExtendedXMP";

// A property of the packet's top level (a child of an rdf:Description of
// rdf:RDF): where it lies in the text, in characters, and what it needs
// around it to stand in a packet of its own.
struct TopProperty
{
    qsizetype begin = 0;
    qsizetype end = 0;
    qsizetype bytes = 0;  // its length in UTF-8
    QString declarations; // the namespaces in scope where it stands
    QString about;
};

struct Outline
{
    std::vector<TopProperty> properties;
    qsizetype noteAt = -1; // the end of the first rdf:Description's name
};

bool outline(const QString &text, Outline &out)
{
    struct Open
    {
        QString uri, name, about;
        QXmlStreamNamespaceDeclarations declarations;
    };
    std::vector<Open> open;
    const auto isRdf = [](const Open &o, const char *name) { return o.uri == rdfUri && o.name == QLatin1String(name); };
    QXmlStreamReader xml(text);
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && !open.empty())
            open.pop_back();
        if (token != QXmlStreamReader::StartElement)
            continue;
        // A tag begins at the last '<' before its end ('<' cannot stand in
        // an attribute value).
        const qsizetype begin = text.lastIndexOf('<', xml.characterOffset() - 1);
        if (open.size() >= 2 && isRdf(open.back(), "Description") && isRdf(open[open.size() - 2], "RDF")) {
            TopProperty property{begin, 0, 0, {}, open.back().about};
            std::map<QString, QString> scope;
            for (const Open &o : open) {
                for (const auto &d : o.declarations)
                    scope[d.prefix().toString()] = d.namespaceUri().toString();
            }
            for (const auto &[prefix, uri] : scope)
                property.declarations += (prefix.isEmpty() ? QStringLiteral(" xmlns") : " xmlns:" + prefix) + "=\"" + uri.toHtmlEscaped() + '"';
            xml.skipCurrentElement();
            property.end = xml.characterOffset();
            property.bytes = text.mid(begin, property.end - begin).toUtf8().size();
            out.properties.push_back(property);
            continue;
        }
        Open element{xml.namespaceUri().toString(), xml.name().toString(), xml.attributes().value(rdfUri, QStringLiteral("about")).toString(),
                     xml.namespaceDeclarations()};
        if (out.noteAt < 0 && isRdf(element, "Description"))
            out.noteAt = begin + 1 + xml.qualifiedName().size();
        open.push_back(element);
    }
    return !xml.hasError() && out.noteAt >= 0;
}

std::multimap<std::string, std::string> propertiesOf(const QByteArray &packet)
{
    Exiv2::XmpData xmp;
    if (Exiv2::XmpParser::decode(xmp, packet.toStdString()) != 0)
        throw std::runtime_error("XMP packet does not parse");
    std::multimap<std::string, std::string> out;
    for (const auto &d : xmp) {
        if (d.key() != guidKey)
            out.emplace(d.key(), d.toString());
    }
    return out;
}

// The two parts must hold what the packet held, and nothing else.
bool readsAsOne(const QByteArray &packet, const SplitXmp &split)
{
    bool same = false;
    const ImageStatus status = guardedExiv([&] {
        auto together = propertiesOf(split.main);
        together.merge(propertiesOf(split.extended));
        same = together == propertiesOf(packet);
        return ImageStatus::Ok;
    });
    return status == ImageStatus::Ok && same;
}
} // namespace

std::optional<SplitXmp> splitXmp(const QByteArray &packet, std::size_t mainLimit)
{
    QString text = QString::fromUtf8(packet);
    // The padding goes first: it is there to be given up.
    static const QRegularExpression padding(QStringLiteral("\\s+(<\\?xpacket end=)"));
    text.replace(padding, QStringLiteral("\n\\1"));
    if (static_cast<std::size_t>(text.toUtf8().size()) <= mainLimit)
        return SplitXmp{text.toUtf8(), {}};

    Outline layout;
    if (!outline(text, layout))
        return std::nullopt;
    const QString note = QStringLiteral(" xmlns:xmpNote=\"http://ns.adobe.com/xmp/note/\" xmpNote:HasExtendedXMP=\"%1\"");
    std::size_t size = static_cast<std::size_t>(text.toUtf8().size() + note.arg(QString(32, '0')).size());
    std::vector<const TopProperty *> moving;
    for (const TopProperty &property : layout.properties)
        moving.push_back(&property);
    std::stable_sort(moving.begin(), moving.end(), [](const TopProperty *a, const TopProperty *b) { return a->bytes > b->bytes; });
    auto kept = moving.begin();
    for (; kept != moving.end() && size > mainLimit; ++kept)
        size -= static_cast<std::size_t>((*kept)->bytes);
    if (size > mainLimit)
        return std::nullopt;
    moving.erase(kept, moving.end());
    std::sort(moving.begin(), moving.end(), [](const TopProperty *a, const TopProperty *b) { return a->begin > b->begin; });

    QString extended;
    for (const TopProperty *property : moving) {
        extended.prepend("\n <rdf:Description rdf:about=\"" + property->about.toHtmlEscaped() + '"' + property->declarations + ">\n  "
                         + text.mid(property->begin, property->end - property->begin) + "\n </rdf:Description>");
        text.remove(property->begin, property->end - property->begin);
    }
    SplitXmp split;
    split.extended
        = ("<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n<rdf:RDF xmlns:rdf=\"" + rdfUri + "\">" + extended + "\n</rdf:RDF>\n</x:xmpmeta>").toUtf8();
    split.main = text.insert(layout.noteAt, note.arg(QString::fromLatin1(xmpGuidOf(split.extended)))).toUtf8();
    if (static_cast<std::size_t>(split.main.size()) > mainLimit || !readsAsOne(packet, split))
        return std::nullopt;
    return split;
}

QByteArray extendedXmpGuid(const QByteArray &main)
{
    static const QRegularExpression guid(QStringLiteral("HasExtendedXMP\\s*(?:=\\s*[\"']|>)\\s*([0-9A-Fa-f]{32})"));
    const auto match = guid.match(QString::fromUtf8(main));
    return match.hasMatch() ? match.captured(1).toLatin1() : QByteArray();
}

QByteArray xmpGuidOf(const QByteArray &extended)
{
    return QCryptographicHash::hash(extended, QCryptographicHash::Md5).toHex().toUpper();
}

} // namespace lumicap
