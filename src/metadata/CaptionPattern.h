#pragma once

#include "imaging/ImageHolder.h"
#include "metadata/MetadataFields.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

namespace lumicap {

// What a picture offers the fields of a pattern.
struct PatternSubject
{
    QByteArray path;
    int position = 1;      // in the run, from 1
    MetadataFields fields; // as shown: the Exif tag, else the copy other programs show

    QByteArray make;
    QByteArray model;
    QDateTime taken; // DateTimeOriginal, else the file's modification time

    static PatternSubject of(const ImageHolder &image, const QByteArray &path, int position);
};

// A text with fields in braces, filled in for each picture: {name} {stem}
// {stem:words} {folder} {n} {n:03} {date} {date:FORMAT} (QDateTime's
// format) {make} {model} {description} {artist} {copyright}; "{{" and "}}"
// are braces. A text without braces is taken as it is, so lists written
// before patterns existed mean what they meant.
class CaptionPattern
{
public:
    // Nothing, with error naming the fault, for an unknown field or a brace
    // that is neither a field nor doubled: checked before anything is written.
    static std::optional<CaptionPattern> parse(const QByteArray &text, QString &error);

    QByteArray expand(const PatternSubject &subject) const;

private:
    enum class Kind { Text, Name, Stem, StemWords, Folder, Number, Date, Make, Model, Description, Artist, Copyright };
    struct Piece
    {
        Kind kind;
        QByteArray text; // the text itself, or the field's format
    };
    std::vector<Piece> pieces_;
};

} // namespace lumicap
