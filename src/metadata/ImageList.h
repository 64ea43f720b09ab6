#pragma once

#include <QByteArray>

#include <vector>

namespace lumicap {

// The ordering of the image list: bytes compared after mapping A-Z to a-z
// (nothing else is folded), the shorter of two prefixes first. So digits
// compare as characters (IMG_10 before IMG_9) and '_' sorts before letters.
int compareImagePaths(const QByteArray &a, const QByteArray &b);

enum class FolderCheck { Ok, Empty, Missing };

// The checks "Start" runs on the folder text before scanning it: empty text,
// then no file-system object of that name (a plain file passes).
FolderCheck checkFolder(const QByteArray &folderText);

// The JPEG and TIFF files of one folder, in display order. Entries are the
// folder text exactly as typed, a separator when it has none at its end, and
// the file name as the file system has it.
class ImageList
{
public:
    // Replaces the list with entries already found and sorted.
    void assign(std::vector<QByteArray> entries) { entries_ = std::move(entries); }

    int count() const { return static_cast<int>(entries_.size()); }
    const QByteArray &at(int index) const { return entries_[static_cast<std::size_t>(index)]; }
    const std::vector<QByteArray> &entries() const { return entries_; }

    // The images of a folder, sorted; empty when there are none: regular
    // files (or links to them) with a picture's extension in any letter
    // case, leaving out hidden files, subfolders and the temporary files of
    // saves ("_~" + name).
    static std::vector<QByteArray> listImages(const QByteArray &folderText);

private:
    std::vector<QByteArray> entries_;
};

} // namespace lumicap
