#pragma once

#include "metadata/AppSettings.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace lumicap {

// The editor's options as stored in the settings (section "Settings" under
// Kestrovia/<program name>). Missing values read as the defaults below.
struct EditorSettings
{
    QString imgFolder;
    bool autoSel = true;
    bool removeAllExif = false;
    bool noLoadCopyR = false;
    bool autoSave = false;
    // A save also creates the IPTC and XMP copies a picture lacks.
    bool allCopies = false;
    // The thumbnails below the preview.
    bool filmstrip = true;
    // The artist and copyright typed while noLoadCopyR is on, shown again
    // at the next start with the box still on.
    QString artist;
    QString copyright;

    bool operator==(const EditorSettings &o) const
    {
        return imgFolder == o.imgFolder && autoSel == o.autoSel && removeAllExif == o.removeAllExif && noLoadCopyR == o.noLoadCopyR
            && autoSave == o.autoSave && allCopies == o.allCopies && filmstrip == o.filmstrip && artist == o.artist && copyright == o.copyright;
    }
    bool operator!=(const EditorSettings &o) const { return !(*this == o); }

    static EditorSettings load();
    // Writes them all, in this order.
    void save() const;
    static void saveAutoSel(bool on);
    static void saveFilmstrip(bool on);

    // The editor window's size, position and maximised state, as
    // QWidget::saveGeometry() gives them; empty when never saved.
    static QByteArray loadPlacement();
    // The texts saved in a field (ArtistHistory or CopyrightHistory), most
    // recent first.
    static QStringList loadHistory(Setting key);
    static void saveHistory(Setting key, const QStringList &texts);
    static void savePlacement(const QByteArray &placement);
};

} // namespace lumicap
