#include "batch/FieldPatterns.h"

#include "resources/StringTable.h"

namespace lumicap {

std::optional<FieldPatterns> FieldPatterns::make(const std::array<std::optional<QByteArray>, 3> &texts, bool onlyEmpty, QString &error)
{
    FieldPatterns made;
    made.onlyEmpty_ = onlyEmpty;
    bool any = false;
    for (std::size_t k = 0; k < texts.size(); ++k) {
        if (!texts[k])
            continue;
        made.patterns_[k] = CaptionPattern::parse(*texts[k], error);
        if (!made.patterns_[k])
            return std::nullopt;
        any = true;
    }
    if (!any) {
        error = loadString(IDS_APPLY_NO_FIELD);
        return std::nullopt;
    }
    return made;
}

PictureEdit FieldPatterns::editFor(const PatternSubject &subject) const
{
    PictureEdit edit{subject.fields, {false, false, false}};
    for (std::size_t k = 0; k < patterns_.size(); ++k) {
        if (!patterns_[k] || (onlyEmpty_ && !fieldText(subject.fields, allTagFields[k]).isEmpty()))
            continue;
        fieldText(edit.fields, allTagFields[k]) = patterns_[k]->expand(subject);
        selected(edit.which, allTagFields[k]) = true;
    }
    return edit;
}

} // namespace lumicap
