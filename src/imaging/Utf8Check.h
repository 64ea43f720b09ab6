#pragma once

#include <QByteArray>

namespace lumicap {

// Whether bytes are valid UTF-8 throughout (a cut sequence is not).
bool isUtf8(const QByteArray &bytes);

} // namespace lumicap
