#include "batch/BatchSettings.h"

#include "metadata/AppSettings.h"

namespace lumicap {

BatchSettings BatchSettings::load()
{
    auto settings = openSettings();
    BatchSettings s;
    s.removeAllExif = settings->value("BRemoveAllExif", 0).toInt() != 0;
    s.artist = settings->value("BArtist", QString()).toString();
    s.copyright = settings->value("BCopyr", QString()).toString();
    s.listFile = settings->value("BFile", QString()).toString();
    s.allCopies = settings->value("BAllCopies", 0).toInt() != 0;
    s.imagesFolder = settings->value("ImgFolder", QString()).toString();
    return s;
}

void BatchSettings::save() const
{
    auto settings = openSettings();
    settings->setValue("BRemoveAllExif", removeAllExif ? 1 : 0);
    settings->setValue("BArtist", artist);
    settings->setValue("BCopyr", copyright);
    settings->setValue("BFile", listFile);
    settings->setValue("BAllCopies", allCopies ? 1 : 0);
}

} // namespace lumicap
