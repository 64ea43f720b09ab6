#pragma once

#include <QString>

namespace lumicap {

// A tooltip text that wraps at maxWidth pixels when it is wider.
QString wrappedToolTip(const QString &text, int maxWidth = 400);
// The same for a plain text that may hold anything (a text read from a
// file): never taken for markup, its lines kept, wrapped only when wider.
QString plainTextToolTip(const QString &text, int maxWidth = 400);

} // namespace lumicap
