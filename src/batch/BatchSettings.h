#pragma once

#include <QString>

namespace lumicap {

// The batch window's options, read when it opens and written by each Start
// that passes its checks.
struct BatchSettings
{
    bool removeAllExif = false;
    QString artist;
    QString copyright;
    QString listFile;
    bool allCopies = false; // missing IPTC and XMP copies are created
    QString imagesFolder;   // the editor's: read, never written here

    static BatchSettings load();
    void save() const;
};

} // namespace lumicap
