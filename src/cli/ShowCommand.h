#pragma once

#include <QStringList>

namespace lumicap {

// lumicap-tags show [--json] FILE...
int runShow(const QStringList &files, bool json);

} // namespace lumicap
