#pragma once

#include <QString>

namespace lumicap {

// Turns a "Label (*.a;*.b)|*.a;*.b|All Files (*.*)|*.*||" filter into Qt's
// "Label (*.a *.b);;All Files (*)". "*.*" means every file, also those
// without an extension.
QString qtFileFilter(const QString &filter);

} // namespace lumicap
