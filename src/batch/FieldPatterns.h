#pragma once

#include "batch/BatchRun.h"
#include "metadata/CaptionPattern.h"

#include <array>
#include <optional>

namespace lumicap {

// "Apply to all pictures": for each of the three fields, a pattern to set
// it to, or nothing to leave it; with onlyEmpty a picture's field that
// already holds text keeps it.
class FieldPatterns
{
public:
    // Nothing, with error naming the fault, when a pattern is not sound or
    // no field is given.
    static std::optional<FieldPatterns> make(const std::array<std::optional<QByteArray>, 3> &texts, bool onlyEmpty, QString &error);

    PictureEdit editFor(const PatternSubject &subject) const;

private:
    std::array<std::optional<CaptionPattern>, 3> patterns_;
    bool onlyEmpty_ = false;
};

} // namespace lumicap
