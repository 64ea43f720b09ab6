#include "batch/FindReplace.h"

#include "metadata/MetadataReader.h"
#include "resources/StringTable.h"
#include "metadata/TextEncoding.h"

#include <map>

namespace lumicap {

std::optional<FindReplace> FindReplace::make(const ReplaceRequest &request, QString &error)
{
    if (request.find.isEmpty()) {
        error = loadString(IDS_REPLACE_FIND_EMPTY);
        return std::nullopt;
    }
    FindReplace replace(request);
    const QString pattern = request.regex ? request.find : QRegularExpression::escape(request.find);
    replace.expression_
        = QRegularExpression(pattern, request.ignoreCase ? QRegularExpression::CaseInsensitiveOption : QRegularExpression::NoPatternOption);
    if (!replace.expression_.isValid()) {
        error = formatString(IDS_REPLACE_BAD_REGEX, replace.expression_.errorString().toUtf8().constData());
        return std::nullopt;
    }
    return replace;
}

// \N and \NN name groups, as QString::replace reads them; a number beyond
// the groups, and any other backslash, is text.
QString FindReplace::expanded(const QRegularExpressionMatch &match) const
{
    const QString &after = request_.replacement;
    if (!request_.regex)
        return after;
    QString out;
    const int groups = expression_.captureCount();
    for (qsizetype at = 0; at < after.size(); ++at) {
        if (after[at] == '\\' && at + 1 < after.size() && after[at + 1].isDigit()) {
            int group = after[at + 1].digitValue();
            qsizetype used = 1;
            if (at + 2 < after.size() && after[at + 2].isDigit() && group * 10 + after[at + 2].digitValue() <= groups) {
                group = group * 10 + after[at + 2].digitValue();
                used = 2;
            }
            if (group <= groups) {
                out += match.captured(group);
                at += used;
                continue;
            }
        }
        out += after[at];
    }
    return out;
}

std::optional<QByteArray> FindReplace::apply(const QByteArray &text, TextSpans *found, TextSpans *replaced) const
{
    const QString shown = displayText(text);
    QString out;
    qsizetype done = 0;
    bool any = false;
    for (auto it = expression_.globalMatch(shown); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const QString by = expanded(match);
        out += shown.mid(done, match.capturedStart() - done);
        if (found)
            found->emplace_back(match.capturedStart(), match.capturedLength());
        if (replaced)
            replaced->emplace_back(out.size(), by.size());
        out += by;
        done = match.capturedEnd();
        any = true;
    }
    if (!any)
        return std::nullopt;
    out += shown.mid(done);
    return out.toUtf8();
}

std::vector<TextChange> FindReplace::changesOf(const QByteArray &path, const MetadataFields &fields) const
{
    std::vector<TextChange> changes;
    for (const TagField field : allTagFields) {
        if (!isSelected(request_.fields, field))
            continue;
        TextChange change{path, field, fieldText(fields, field), {}, {}, {}};
        const auto after = apply(change.before, &change.found, &change.replaced);
        if (after && *after != change.before) {
            change.after = *after;
            changes.push_back(std::move(change));
        }
    }
    return changes;
}

FieldSelection FindReplace::applyTo(MetadataFields &fields) const
{
    FieldSelection changed{false, false, false};
    for (const TagField field : allTagFields) {
        QByteArray &text = fieldText(fields, field);
        if (!isSelected(request_.fields, field))
            continue;
        if (const auto after = apply(text); after && *after != text) {
            text = *after;
            selected(changed, field) = true;
        }
    }
    return changed;
}

std::vector<TextChange> FindReplace::changesIn(const std::vector<QByteArray> &paths) const
{
    std::vector<TextChange> changes;
    for (const QByteArray &path : paths) {
        ImageStatus status;
        const auto image = openImageFile(path, status);
        if (status != ImageStatus::Ok)
            continue;
        for (TextChange &change : changesOf(path, PatternSubject::of(*image, path, 1).fields))
            changes.push_back(std::move(change));
    }
    return changes;
}

EditFor FindReplace::editFor(const std::vector<TextChange> &chosen) const
{
    std::map<QByteArray, FieldSelection> fields;
    for (const TextChange &change : chosen) {
        auto it = fields.try_emplace(change.path, FieldSelection{false, false, false}).first;
        selected(it->second, change.field) = true;
    }
    FindReplace only = *this;
    return [only, fields](const PatternSubject &subject) {
        PictureEdit edit{subject.fields, {false, false, false}};
        const auto it = fields.find(subject.path);
        if (it == fields.end())
            return edit;
        FindReplace here = only;
        here.request_.fields = it->second;
        edit.which = here.applyTo(edit.fields);
        return edit;
    };
}

} // namespace lumicap
