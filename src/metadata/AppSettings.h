#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <iterator>

namespace lumicap {

// Every option lives in the section "Settings" under Kestrovia/<program
// name>, the program name being the executable's base name: on Windows
// HKCU\Software\Kestrovia\<name>\Settings, here ~/.config/Kestrovia/<name>.conf.
constexpr const char *settingsOrganisation = "Kestrovia";
constexpr const char *settingsSection = "Settings";

// Every stored option, spelt as its name in the registry and the .conf file.
enum class Setting {
    // The editor's
    ImgFolder,
    AutoSel,
    RemoveAllExif,
    NoLoadCopyR,
    AutoSave,
    AllCopies,
    Filmstrip,
    Artist,
    Copyr,
    ArtistHistory,
    CopyrightHistory,
    WindowPlacement,
    // The batch window's
    BRemoveAllExif,
    BArtist,
    BCopyr,
    BFile,
    BAllCopies,
    // The program's
    ShowWarning,
    SidecarWithExt,
    SpellLanguage,
    Journal,
};

// A flag is stored as the number 1 or 0 (any number but 0 reads as on); the
// window placement as bytes.
enum class SettingType { Flag, Text, TextList, Bytes };

struct SettingEntry
{
    Setting setting;
    const char *name; // never renamed: stored files rely on it
    SettingType type;
    bool on; // a missing flag reads as this; a missing text, list or bytes as empty
};

inline constexpr SettingEntry settingTable[] = {
    {Setting::ImgFolder, "ImgFolder", SettingType::Text, false},
    {Setting::AutoSel, "AutoSel", SettingType::Flag, true},
    {Setting::RemoveAllExif, "RemoveAllExif", SettingType::Flag, false},
    {Setting::NoLoadCopyR, "NoLoadCopyR", SettingType::Flag, false},
    {Setting::AutoSave, "AutoSave", SettingType::Flag, false},
    {Setting::AllCopies, "AllCopies", SettingType::Flag, false},
    {Setting::Filmstrip, "Filmstrip", SettingType::Flag, true},
    {Setting::Artist, "Artist", SettingType::Text, false},
    {Setting::Copyr, "Copyr", SettingType::Text, false},
    {Setting::ArtistHistory, "ArtistHistory", SettingType::TextList, false},
    {Setting::CopyrightHistory, "CopyrightHistory", SettingType::TextList, false},
    {Setting::WindowPlacement, "WindowPlacement", SettingType::Bytes, false},
    {Setting::BRemoveAllExif, "BRemoveAllExif", SettingType::Flag, false},
    {Setting::BArtist, "BArtist", SettingType::Text, false},
    {Setting::BCopyr, "BCopyr", SettingType::Text, false},
    {Setting::BFile, "BFile", SettingType::Text, false},
    {Setting::BAllCopies, "BAllCopies", SettingType::Flag, false},
    {Setting::ShowWarning, "ShowWarning", SettingType::Flag, true},
    {Setting::SidecarWithExt, "SidecarWithExt", SettingType::Flag, false},
    {Setting::SpellLanguage, "SpellLanguage", SettingType::Text, false},
    {Setting::Journal, "Journal", SettingType::Flag, true},
};

constexpr bool settingTableInOrder()
{
    for (std::size_t i = 0; i < std::size(settingTable); ++i)
        if (static_cast<std::size_t>(settingTable[i].setting) != i)
            return false;
    return std::size(settingTable) == static_cast<std::size_t>(Setting::Journal) + 1;
}
static_assert(settingTableInOrder(), "one row per Setting, in its order");

// A member of a struct of options and the setting it is stored under: a
// flag (bool) or a text (QString). A list of them is the one place that pairs
// a struct's members with their settings, for reading and writing alike.
template <class Options>
struct StoredMember
{
    constexpr StoredMember(Setting s, bool Options::*f)
        : setting(s)
        , flag(f)
    {}
    constexpr StoredMember(Setting s, QString Options::*t)
        : setting(s)
        , text(t)
    {}

    Setting setting;
    bool Options::*flag = nullptr;
    QString Options::*text = nullptr;
};

// The settings, each read and written under its name in the table with the
// accessor of its type.
class AppSettings
{
public:
    AppSettings();

    // The members listed, read or written in the list's order.
    template <class Options, std::size_t N>
    void read(Options &options, const StoredMember<Options> (&members)[N]) const
    {
        for (const StoredMember<Options> &m : members) {
            if (m.flag)
                options.*m.flag = flag(m.setting);
            else
                options.*m.text = text(m.setting);
        }
    }
    template <class Options, std::size_t N>
    void write(const Options &options, const StoredMember<Options> (&members)[N])
    {
        for (const StoredMember<Options> &m : members) {
            if (m.flag)
                setFlag(m.setting, options.*m.flag);
            else
                setText(m.setting, options.*m.text);
        }
    }

    bool flag(Setting setting) const;
    void setFlag(Setting setting, bool on);
    QString text(Setting setting) const;
    void setText(Setting setting, const QString &text);
    QStringList texts(Setting setting) const;
    void setTexts(Setting setting, const QStringList &texts);
    QByteArray bytes(Setting setting) const;
    void setBytes(Setting setting, const QByteArray &bytes);

private:
    QSettings settings_;
};

} // namespace lumicap
