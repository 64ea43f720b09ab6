#pragma once

#include <QByteArray>
#include <QList>

namespace lumicap {

// Whether the imaging parts the program cannot work without are there: Qt's
// JPEG and TIFF readers and the tag library.
bool imagingAvailable(const QList<QByteArray> &readableFormats);
bool imagingAvailable();

// Imaging is started before the editor opens and shut down after it closes.
void startImaging();
void stopImaging();

} // namespace lumicap
