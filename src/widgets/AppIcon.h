#pragma once

#include <QIcon>

namespace lumicap {

// The application icon: a photo frame with a text tag, drawn at any size.
QIcon appIcon();
QImage appIconImage(int size);

} // namespace lumicap
