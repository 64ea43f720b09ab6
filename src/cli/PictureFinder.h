#pragma once

#include <QByteArray>

#include <vector>

namespace lumicap {

// A picture to work on: its path, and its name relative to the folder
// argument it was found in (the file name for a file argument), as a
// DESCRIPT.ION in that folder names it.
struct Picture
{
    QByteArray path;
    QByteArray listName;
};

// Turns file and folder arguments and lists of names into pictures. A file
// named is taken whatever its name; a folder gives the pictures the editor
// would list in it (.jpg .jpeg .tif .tiff, hidden and "_~" files left out),
// and with recursion those of its sub-folders too, hidden ones and links to
// folders left out. What cannot be read is reported on stderr and counted.
class PictureFinder
{
public:
    explicit PictureFinder(bool recursive)
        : recursive_(recursive)
    {}

    void add(const QByteArray &argument);
    // One name per line, from a file or, for "-", standard input.
    void addNameList(const QByteArray &listFile);

    const std::vector<Picture> &pictures() const { return pictures_; }
    int failures() const { return failures_; }

private:
    void addFolder(const QByteArray &root, const QByteArray &folder);

    bool recursive_;
    std::vector<Picture> pictures_;
    int failures_ = 0;
};

} // namespace lumicap
