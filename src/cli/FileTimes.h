#pragma once

#include <QByteArray>

#include <optional>
#include <sys/stat.h>

namespace lumicap {

// A picture's access and modification times, and which file held them. A
// save replaces the file (a new inode), so comparing tells whether a save
// wrote anything; restoring puts the times back on the new file, for those
// who sort their photos by date.
class FileTimes
{
public:
    static std::optional<FileTimes> of(const QByteArray &path);

    // True when path is no longer the file the times were taken from.
    bool replaced(const QByteArray &path) const;
    bool restore(const QByteArray &path) const;

private:
    struct stat stat_ {};
};

} // namespace lumicap
