#pragma once

#include <functional>

class QDialog;

namespace lumicap {

class EditorDialog;

// Connects the editor's buttons to the windows they open, each built anew
// for one modal run.
void connectAppWindows(EditorDialog &editor, const std::function<int(QDialog &)> &runModal);

} // namespace lumicap
