#include "batch/BatchSettings.h"

#include "metadata/AppSettings.h"

namespace lumicap {

BatchSettings BatchSettings::load()
{
    const AppSettings settings;
    BatchSettings s;
    s.removeAllExif = settings.flag(Setting::BRemoveAllExif);
    s.artist = settings.text(Setting::BArtist);
    s.copyright = settings.text(Setting::BCopyr);
    s.listFile = settings.text(Setting::BFile);
    s.allCopies = settings.flag(Setting::BAllCopies);
    s.imagesFolder = settings.text(Setting::ImgFolder);
    return s;
}

void BatchSettings::save() const
{
    AppSettings settings;
    settings.setFlag(Setting::BRemoveAllExif, removeAllExif);
    settings.setText(Setting::BArtist, artist);
    settings.setText(Setting::BCopyr, copyright);
    settings.setText(Setting::BFile, listFile);
    settings.setFlag(Setting::BAllCopies, allCopies);
}

} // namespace lumicap
