#include "metadata/JournalEntry.h"

#include "metadata/MetadataFields.h"
#include "platform/NativePath.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <fstream>

namespace lumicap {

namespace {
QJsonValue jsonOfBytes(const std::optional<QByteArray> &bytes)
{
    return bytes ? QJsonValue(QString::fromLatin1(bytes->toBase64())) : QJsonValue();
}

std::optional<QByteArray> bytesFromJson(const QJsonValue &value)
{
    if (!value.isString())
        return std::nullopt;
    return QByteArray::fromBase64(value.toString().toLatin1());
}

// 64-bit numbers as decimal text: a JSON number is a double.
QJsonObject jsonOfStamp(const FileStamp &s)
{
    return {{"dev", QString::number(s.device)},
            {"ino", QString::number(s.inode)},
            {"size", QString::number(s.size)},
            {"mtime", QString::number(s.mtimeNs)},
            {"birth", QString::number(s.birthNs)}};
}

FileStamp stampFromJson(const QJsonObject &o)
{
    FileStamp s;
    s.device = o["dev"].toString().toULongLong();
    s.inode = o["ino"].toString().toULongLong();
    s.size = o["size"].toString().toLongLong();
    s.mtimeNs = o["mtime"].toString().toLongLong();
    s.birthNs = o["birth"].toString().toLongLong();
    return s;
}

std::optional<QByteArray> &copyEditOf(CopyEdits &edits, std::uint16_t tag)
{
    return tag == descriptionTag ? edits.description : tag == artistTag ? edits.artist : edits.copyright;
}

const std::vector<TextCopy> &readCopiesOf(const FieldCopies &copies, std::uint16_t tag)
{
    return tag == descriptionTag ? copies.description : tag == artistTag ? copies.artist : copies.copyright;
}
} // namespace

const char *JournalField::name() const
{
    return tag == descriptionTag ? "description" : tag == artistTag ? "artist" : "copyright";
}

QByteArray JournalEntry::toLine() const
{
    QJsonArray changes;
    for (const JournalField &f : fields) {
        QJsonArray copies;
        for (const TextCopy &c : f.oldCopies)
            copies.append(QJsonObject{{"where", QString::fromLatin1(c.where)}, {"text", jsonOfBytes(c.text)}});
        QJsonObject o{{"tag", f.tag}, {"type", f.oldType}, {"old", jsonOfBytes(f.oldValue)}, {"new", jsonOfBytes(f.newValue)}, {"copies", copies}};
        if (f.newCopies)
            o["copiesNew"] = jsonOfBytes(f.newCopies);
        changes.append(o);
    }
    QJsonObject o{{"time", time.toUTC().toString(Qt::ISODateWithMs)},
                  {"run", QString::fromLatin1(run)},
                  {"path", jsonOfBytes(path)},
                  {"before", jsonOfStamp(before)},
                  {"after", jsonOfStamp(after)},
                  {"fields", changes}};
    if (file != path)
        o["file"] = jsonOfBytes(file);
    if (!tail.isEmpty())
        o["tail"] = QString::fromLatin1(tail);
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<JournalEntry> JournalEntry::fromLine(const QByteArray &line)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();
    JournalEntry e;
    const auto path = bytesFromJson(o["path"]);
    e.time = QDateTime::fromString(o["time"].toString(), Qt::ISODateWithMs);
    if (!path || !e.time.isValid() || !o["fields"].isArray())
        return std::nullopt;
    e.path = *path;
    e.file = bytesFromJson(o["file"]).value_or(e.path);
    e.run = o["run"].toString().toLatin1();
    e.before = stampFromJson(o["before"].toObject());
    e.after = stampFromJson(o["after"].toObject());
    e.tail = o["tail"].toString().toLatin1();
    for (const QJsonValue &v : o["fields"].toArray()) {
        const QJsonObject f = v.toObject();
        JournalField field;
        field.tag = static_cast<std::uint16_t>(f["tag"].toInt());
        if (!isTextTag(field.tag))
            return std::nullopt;
        field.oldType = static_cast<std::uint16_t>(f["type"].toInt(asciiType));
        field.oldValue = bytesFromJson(f["old"]);
        field.newValue = bytesFromJson(f["new"]);
        field.newCopies = bytesFromJson(f["copiesNew"]);
        for (const QJsonValue &c : f["copies"].toArray())
            field.oldCopies.push_back({c["where"].toString().toLatin1(), bytesFromJson(c["text"]).value_or(QByteArray())});
        e.fields.push_back(std::move(field));
    }
    return e;
}

std::vector<JournalField> changedFields(const std::vector<TagItem> &tags, const FieldCopies &copies, const TagEdits &edits)
{
    std::vector<JournalField> changed;
    for (const std::uint16_t tag : {descriptionTag, artistTag, copyrightTag}) {
        JournalField f;
        f.tag = tag;
        const auto stored = std::find_if(tags.rbegin(), tags.rend(), [tag](const TagItem &t) { return t.id == tag && t.group == primaryGroup; });
        if (stored != tags.rend()) {
            f.oldValue = stored->value;
            f.oldType = stored->type;
        }
        f.newValue = f.oldValue;
        const auto set = std::find_if(edits.set.rbegin(), edits.set.rend(), [tag](const TagItem &t) { return t.id == tag; });
        if (set != edits.set.rend())
            f.newValue = set->value;
        else if (std::find(edits.removed.begin(), edits.removed.end(), tag) != edits.removed.end())
            f.newValue = std::nullopt;
        CopyEdits copyEdits = edits.copies;
        f.newCopies = copyEditOf(copyEdits, tag);
        if (f.newValue == f.oldValue && !f.newCopies)
            continue;
        f.oldCopies = readCopiesOf(copies, tag);
        changed.push_back(std::move(f));
    }
    return changed;
}

} // namespace lumicap

namespace lumicap {
namespace {
constexpr qsizetype tailSize = 64 * 1024;
constexpr qsizetype smallestTold = 2 * tailSize;

QByteArray digestOf(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex();
}
} // namespace

QByteArray tailDigest(const QList<QByteArray> &pieces)
{
    qsizetype total = 0;
    for (const QByteArray &piece : pieces)
        total += piece.size();
    if (total <= smallestTold)
        return {};
    QByteArray tail;
    for (auto piece = pieces.rbegin(); piece != pieces.rend() && tail.size() < tailSize; ++piece)
        tail.prepend(piece->right(tailSize - tail.size()));
    return digestOf(tail);
}

QByteArray tailDigestOfFile(const QByteArray &file)
{
    std::ifstream in(platform::pathFromBytes(file.toStdString()), std::ios::binary | std::ios::ate);
    const auto size = static_cast<qsizetype>(in.tellg());
    if (!in || size <= smallestTold)
        return {};
    QByteArray tail(tailSize, '\0');
    in.seekg(size - tailSize);
    if (!in.read(tail.data(), tailSize))
        return {};
    return digestOf(tail);
}

} // namespace lumicap
