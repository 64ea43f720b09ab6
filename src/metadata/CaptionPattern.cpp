#include "metadata/CaptionPattern.h"

#include "metadata/FieldReading.h"
#include "metadata/MetadataReader.h"
#include "metadata/PathOps.h"
#include "resources/StringTable.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QTime>

namespace lumicap {

namespace {
constexpr std::uint16_t makeTag = 0x010F;
constexpr std::uint16_t modelTag = 0x0110;
constexpr std::uint16_t dateTimeOriginalTag = 0x9003;

QByteArray tagText(const QByteArray &value)
{
    const qsizetype zero = value.indexOf('\0');
    return (zero < 0 ? value : value.left(zero)).trimmed();
}

// "YYYY:MM:DD HH:MM:SS"; a camera that never had its clock set writes
// zeros or blanks, which are no date.
QDateTime exifDate(const QByteArray &value)
{
    const QDateTime when = QDateTime::fromString(QString::fromLatin1(tagText(value)), QStringLiteral("yyyy:MM:dd HH:mm:ss"));
    return when.isValid() ? when : QDateTime();
}

// The name of the picture's folder, also for a path relative to the
// working folder ("a.jpg", "../b.jpg").
QByteArray folderName(const QByteArray &path)
{
    const QByteArray folder = directoryPart(path);
#ifdef _WIN32
    const QString shown = QString::fromUtf8(folder.isEmpty() ? QByteArray(".") : folder);
#else
    const QString shown = QFile::decodeName(folder.isEmpty() ? QByteArray(".") : folder);
#endif
    return pathBytes(QDir(QDir::cleanPath(QDir(shown).absolutePath())).dirName());
}

QDateTime fileTime(const FileStamp &stamp)
{
#ifdef _WIN32
    constexpr qint64 epochOffsetMs = 11644473600000; // from 1601 to 1970
#else
    constexpr qint64 epochOffsetMs = 0;
#endif
    return QDateTime::fromMSecsSinceEpoch(stamp.mtimeNs / 1000000 - epochOffsetMs);
}
} // namespace

PatternSubject PatternSubject::of(const ImageHolder &image, const QByteArray &path, int position)
{
    // A field's text as people see it: its Exif tag, or where that is
    // empty the copy other programs show.
    const MetadataFields exif = readMetadata(image);
    const FieldCopies &copies = image.copies();
    PatternSubject subject{path,
                           position,
                           {readField(exif.description, copies.description).bytes, readField(exif.artist, copies.artist).bytes,
                            readField(exif.copyright, copies.copyright).bytes},
                           {},
                           {},
                           {}};
    for (const TagItem &tag : image.tags()) {
        if (tag.group == primaryGroup && tag.id == makeTag)
            subject.make = tagText(tag.value);
        else if (tag.group == primaryGroup && tag.id == modelTag)
            subject.model = tagText(tag.value);
        else if (tag.group == "Photo" && tag.id == dateTimeOriginalTag)
            subject.taken = exifDate(tag.value);
    }
    if (!subject.taken.isValid())
        subject.taken = fileTime(image.stamp());
    return subject;
}

namespace {
// Whether a date format holds only QDateTime's letters outside its quotes
// ('text', '' for a quote): any other letter would be written as it is.
bool isDateFormat(const QByteArray &format)
{
    bool quoted = false;
    for (const char c : format) {
        quoted = c == '\'' ? !quoted : quoted;
        if (!quoted && std::isalpha(static_cast<unsigned char>(c)) && !QByteArray("dMyhHmszAaPpt").contains(c))
            return false;
    }
    return true;
}
} // namespace

std::optional<CaptionPattern> CaptionPattern::parse(const QByteArray &text, QString &error)
{
    static const std::pair<const char *, Kind> names[] = {
        {"name", Kind::Name},
        {"stem", Kind::Stem},
        {"stem:words", Kind::StemWords},
        {"folder", Kind::Folder},
        {"n", Kind::Number},
        {"date", Kind::Date},
        {"make", Kind::Make},
        {"model", Kind::Model},
        {"description", Kind::Description},
        {"artist", Kind::Artist},
        {"copyright", Kind::Copyright},
    };
    CaptionPattern pattern;
    QByteArray literal;
    for (qsizetype at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if ((c == '{' || c == '}') && at + 1 < text.size() && text[at + 1] == c) {
            literal += c;
            ++at;
            continue;
        }
        if (c == '}') {
            error = formatString(IDS_PATTERN_LONE_BRACE, text.constData());
            return std::nullopt;
        }
        if (c != '{') {
            literal += c;
            continue;
        }
        const qsizetype end = text.indexOf('}', at);
        const QByteArray field = text.mid(at + 1, end < 0 ? -1 : end - at - 1);
        if (end < 0 || field.contains('{')) {
            error = formatString(IDS_PATTERN_UNCLOSED, text.constData());
            return std::nullopt;
        }
        const qsizetype colon = field.indexOf(':');
        const QByteArray name = field.left(colon);
        const QByteArray format = colon < 0 ? QByteArray() : field.mid(colon + 1);
        std::optional<Kind> kind;
        for (const auto &[known, k] : names) {
            if (field == known || (colon >= 0 && name == known && (k == Kind::Date || k == Kind::Number)))
                kind = k;
        }
        const bool digits = !format.isEmpty() && std::all_of(format.begin(), format.end(), [](char d) { return d >= '0' && d <= '9'; });
        if (!kind || (*kind == Kind::Number && colon >= 0 && !digits) || (*kind == Kind::Date && !isDateFormat(format))) {
            error = formatString(IDS_PATTERN_UNKNOWN_FIELD, field.constData());
            return std::nullopt;
        }
        if (!literal.isEmpty())
            pattern.pieces_.push_back({Kind::Text, std::exchange(literal, {})});
        pattern.pieces_.push_back({*kind, format});
        at = end;
    }
    if (!literal.isEmpty())
        pattern.pieces_.push_back({Kind::Text, literal});
    return pattern;
}

QByteArray CaptionPattern::expand(const PatternSubject &subject) const
{
    const QByteArray name = fileNamePart(subject.path);
    const qsizetype dot = name.lastIndexOf('.');
    const QByteArray stem = dot > 0 ? name.left(dot) : name;
    QByteArray out;
    for (const Piece &piece : pieces_) {
        switch (piece.kind) {
        case Kind::Text: out += piece.text; break;
        case Kind::Name: out += name; break;
        case Kind::Stem: out += stem; break;
        case Kind::StemWords: {
            QByteArray words = stem;
            for (const char c : {'_', '-', '.'})
                words.replace(c, ' ');
            out += words.simplified();
            break;
        }
        case Kind::Folder: out += folderName(subject.path); break;
        case Kind::Number: out += QByteArray::number(subject.position).rightJustified(piece.text.toInt(), '0'); break;
        case Kind::Date:
            out += subject.taken.toString(piece.text.isEmpty() ? QStringLiteral("yyyy-MM-dd") : QString::fromUtf8(piece.text)).toUtf8();
            break;
        case Kind::Make: out += subject.make; break;
        case Kind::Model: out += subject.model; break;
        case Kind::Description: out += subject.fields.description; break;
        case Kind::Artist: out += subject.fields.artist; break;
        case Kind::Copyright: out += subject.fields.copyright; break;
        }
    }
    return out;
}

} // namespace lumicap
