#pragma once

#include <QSettings>

#include <memory>

namespace lumicap {

// Every option lives in the section "Settings" under Kestrovia/<program
// name>, the program name being the executable's base name: on Windows
// HKCU\Software\Kestrovia\<name>\Settings, here ~/.config/Kestrovia/<name>.conf.
constexpr const char *settingsOrganisation = "Kestrovia";
constexpr const char *settingsSection = "Settings";

std::unique_ptr<QSettings> openSettings();

} // namespace lumicap
