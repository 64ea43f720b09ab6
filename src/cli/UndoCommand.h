#pragma once

#include <QByteArray>

#include <optional>
#include <vector>

namespace lumicap {

// lumicap-tags history: each picture's saves from the journal, with what
// each changed. 0, or 1 when a picture has none.
int runHistory(const std::vector<QByteArray> &files);

// lumicap-tags undo: the last save of each file, or every save of a run,
// taken back; or the runs listed. Every picture that was not put back
// entirely (a field changed since, nothing to undo, another file in its
// place, a failure) is named on stderr, and makes the exit status 1.
int runUndo(const std::vector<QByteArray> &files, const std::optional<QByteArray> &run, bool listRuns, bool force);

} // namespace lumicap
