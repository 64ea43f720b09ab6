#include "metadata/AppSettings.h"

#include <QCoreApplication>

namespace lumicap {

std::unique_ptr<QSettings> openSettings()
{
    auto settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, settingsOrganisation,
                                                QCoreApplication::applicationName());
    settings->beginGroup(settingsSection);
    return settings;
}

} // namespace lumicap
