#pragma once

#include <QCoreApplication>
#include <QSettings>

#include <memory>

namespace lumicap::test {

// The program's settings read the way any other program would:
// Kestrovia/<program name>, section Settings. Tests run with Qt's test mode
// on, so this is a folder of their own.
inline std::unique_ptr<QSettings> programSettings()
{
    auto s = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, "Kestrovia", QCoreApplication::applicationName());
    s->beginGroup("Settings");
    return s;
}

} // namespace lumicap::test
