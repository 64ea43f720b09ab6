#include "app/ImagingCheck.h"

#include "imaging/ExivCompat.h"
#include "imaging/ExivLog.h"

#include <QImageReader>

namespace lumicap {

bool imagingAvailable(const QList<QByteArray> &readableFormats)
{
    const bool tagLibrary = Exiv2::versionNumber() >= EXIV2_MAKE_VERSION(0, 27, 0);
    return tagLibrary && readableFormats.contains("jpeg") && readableFormats.contains("tiff");
}

bool imagingAvailable()
{
    return imagingAvailable(QImageReader::supportedImageFormats());
}

void startImaging()
{
    installExivLogHandler();
    Exiv2::XmpParser::initialize();
}

void stopImaging()
{
    Exiv2::XmpParser::terminate();
}

} // namespace lumicap
