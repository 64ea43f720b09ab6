#include "metadata/AppSettings.h"

#include <QCoreApplication>

namespace lumicap {

namespace {

const SettingEntry &entry(Setting setting, SettingType type)
{
    const SettingEntry &row = settingTable[static_cast<std::size_t>(setting)];
    Q_ASSERT(row.type == type);
    return row;
}

} // namespace

AppSettings::AppSettings()
    : settings_(QSettings::NativeFormat, QSettings::UserScope, settingsOrganisation, QCoreApplication::applicationName())
{
    settings_.beginGroup(settingsSection);
}

bool AppSettings::flag(Setting setting) const
{
    const SettingEntry &row = entry(setting, SettingType::Flag);
    return settings_.value(row.name, row.on ? 1 : 0).toInt() != 0;
}

void AppSettings::setFlag(Setting setting, bool on)
{
    settings_.setValue(entry(setting, SettingType::Flag).name, on ? 1 : 0);
}

QString AppSettings::text(Setting setting) const
{
    return settings_.value(entry(setting, SettingType::Text).name).toString();
}

void AppSettings::setText(Setting setting, const QString &text)
{
    settings_.setValue(entry(setting, SettingType::Text).name, text);
}

QStringList AppSettings::texts(Setting setting) const
{
    return settings_.value(entry(setting, SettingType::TextList).name).toStringList();
}

void AppSettings::setTexts(Setting setting, const QStringList &texts)
{
    settings_.setValue(entry(setting, SettingType::TextList).name, texts);
}

QByteArray AppSettings::bytes(Setting setting) const
{
    return settings_.value(entry(setting, SettingType::Bytes).name).toByteArray();
}

void AppSettings::setBytes(Setting setting, const QByteArray &bytes)
{
    settings_.setValue(entry(setting, SettingType::Bytes).name, bytes);
}

} // namespace lumicap
