#pragma once

#include <QString>

namespace lumicap {

// The batch window's options, read when it opens and written by each Start
// that passes its checks.
struct BatchSettings
{
    bool removeAllExif = false; // BRemoveAllExif
    QString artist;             // BArtist
    QString copyright;          // BCopyr
    QString listFile;           // BFile
    bool allCopies = false;     // BAllCopies: missing IPTC and XMP copies are created
    QString imagesFolder;       // ImgFolder, the editor's: read, never written here

    static BatchSettings load();
    void save() const;
};

} // namespace lumicap
