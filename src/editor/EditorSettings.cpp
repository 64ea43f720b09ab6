#include "editor/EditorSettings.h"

#include "metadata/AppSettings.h"

namespace lumicap {

namespace {
constexpr StoredMember<EditorSettings> editorMembers[] = {
    {Setting::ImgFolder, &EditorSettings::imgFolder},
    {Setting::AutoSel, &EditorSettings::autoSel},
    {Setting::RemoveAllExif, &EditorSettings::removeAllExif},
    {Setting::NoLoadCopyR, &EditorSettings::noLoadCopyR},
    {Setting::AutoSave, &EditorSettings::autoSave},
    {Setting::AllCopies, &EditorSettings::allCopies},
    {Setting::Filmstrip, &EditorSettings::filmstrip},
    {Setting::Artist, &EditorSettings::artist},
    {Setting::Copyr, &EditorSettings::copyright},
};
} // namespace

EditorSettings EditorSettings::load()
{
    EditorSettings s;
    AppSettings().read(s, editorMembers);
    return s;
}

void EditorSettings::save() const
{
    AppSettings().write(*this, editorMembers);
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
