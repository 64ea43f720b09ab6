#include "editor/EditorSettings.h"

#include "metadata/AppSettings.h"

namespace lumicap {

EditorSettings EditorSettings::load()
{
    auto settings = openSettings();
    EditorSettings s;
    s.imgFolder = settings->value("ImgFolder", QString()).toString();
    s.autoSel = settings->value("AutoSel", 1).toInt() != 0;
    s.removeAllExif = settings->value("RemoveAllExif", 0).toInt() != 0;
    s.noLoadCopyR = settings->value("NoLoadCopyR", 0).toInt() != 0;
    s.autoSave = settings->value("AutoSave", 0).toInt() != 0;
    s.allCopies = settings->value("AllCopies", 0).toInt() != 0;
    s.filmstrip = settings->value("Filmstrip", 1).toInt() != 0;
    s.artist = settings->value("Artist", QString()).toString();
    s.copyright = settings->value("Copyr", QString()).toString();
    return s;
}

void EditorSettings::save() const
{
    auto settings = openSettings();
    settings->setValue("ImgFolder", imgFolder);
    settings->setValue("AutoSel", autoSel ? 1 : 0);
    settings->setValue("RemoveAllExif", removeAllExif ? 1 : 0);
    settings->setValue("NoLoadCopyR", noLoadCopyR ? 1 : 0);
    settings->setValue("AutoSave", autoSave ? 1 : 0);
    settings->setValue("AllCopies", allCopies ? 1 : 0);
    settings->setValue("Filmstrip", filmstrip ? 1 : 0);
    settings->setValue("Artist", artist);
    settings->setValue("Copyr", copyright);
}

void EditorSettings::saveAutoSel(bool on)
{
    openSettings()->setValue("AutoSel", on ? 1 : 0);
}

void EditorSettings::saveFilmstrip(bool on)
{
    openSettings()->setValue("Filmstrip", on ? 1 : 0);
}

QByteArray EditorSettings::loadPlacement()
{
    return openSettings()->value("WindowPlacement").toByteArray();
}

QStringList EditorSettings::loadHistory(const QString &key)
{
    return openSettings()->value(key).toStringList();
}

void EditorSettings::saveHistory(const QString &key, const QStringList &texts)
{
    openSettings()->setValue(key, texts);
}

void EditorSettings::savePlacement(const QByteArray &placement)
{
    openSettings()->setValue("WindowPlacement", placement);
}

} // namespace lumicap
