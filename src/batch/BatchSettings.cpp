#include "batch/BatchSettings.h"

#include "metadata/AppSettings.h"

namespace lumicap {

namespace {
constexpr StoredMember<BatchSettings> batchMembers[] = {
    {Setting::BRemoveAllExif, &BatchSettings::removeAllExif},
    {Setting::BArtist, &BatchSettings::artist},
    {Setting::BCopyr, &BatchSettings::copyright},
    {Setting::BFile, &BatchSettings::listFile},
    {Setting::BAllCopies, &BatchSettings::allCopies},
};
} // namespace

BatchSettings BatchSettings::load()
{
    const AppSettings settings;
    BatchSettings s;
    settings.read(s, batchMembers);
    s.imagesFolder = settings.text(Setting::ImgFolder);
    return s;
}

void BatchSettings::save() const
{
    AppSettings().write(*this, batchMembers);
}

} // namespace lumicap
