#pragma once

#include <QString>

namespace lumicap {

// A tooltip text that wraps at maxWidth pixels when it is wider.
QString wrappedToolTip(const QString &text, int maxWidth = 400);

} // namespace lumicap
