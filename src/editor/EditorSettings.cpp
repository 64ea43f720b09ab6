#include "editor/EditorSettings.h"

#include "metadata/AppSettings.h"

namespace lumicap {

EditorSettings EditorSettings::load()
{
    const AppSettings settings;
    EditorSettings s;
    s.imgFolder = settings.text(Setting::ImgFolder);
    s.autoSel = settings.flag(Setting::AutoSel);
    s.removeAllExif = settings.flag(Setting::RemoveAllExif);
    s.noLoadCopyR = settings.flag(Setting::NoLoadCopyR);
    s.autoSave = settings.flag(Setting::AutoSave);
    s.allCopies = settings.flag(Setting::AllCopies);
    s.filmstrip = settings.flag(Setting::Filmstrip);
    s.artist = settings.text(Setting::Artist);
    s.copyright = settings.text(Setting::Copyr);
    return s;
}

void EditorSettings::save() const
{
    AppSettings settings;
    settings.setText(Setting::ImgFolder, imgFolder);
    settings.setFlag(Setting::AutoSel, autoSel);
    settings.setFlag(Setting::RemoveAllExif, removeAllExif);
    settings.setFlag(Setting::NoLoadCopyR, noLoadCopyR);
    settings.setFlag(Setting::AutoSave, autoSave);
    settings.setFlag(Setting::AllCopies, allCopies);
    settings.setFlag(Setting::Filmstrip, filmstrip);
    settings.setText(Setting::Artist, artist);
    settings.setText(Setting::Copyr, copyright);
}

void EditorSettings::saveAutoSel(bool on)
{
    AppSettings().setFlag(Setting::AutoSel, on);
}

void EditorSettings::saveFilmstrip(bool on)
{
    AppSettings().setFlag(Setting::Filmstrip, on);
}

QByteArray EditorSettings::loadPlacement()
{
    return AppSettings().bytes(Setting::WindowPlacement);
}

QStringList EditorSettings::loadHistory(Setting key)
{
    return AppSettings().texts(key);
}

void EditorSettings::saveHistory(Setting key, const QStringList &texts)
{
    AppSettings().setTexts(key, texts);
}

void EditorSettings::savePlacement(const QByteArray &placement)
{
    AppSettings().setBytes(Setting::WindowPlacement, placement);
}

} // namespace lumicap
