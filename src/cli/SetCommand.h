#pragma once

#include <QByteArray>
#include <QStringList>

#include <optional>

namespace lumicap {

struct SetRequest
{
    std::optional<QByteArray> description;
    std::optional<QByteArray> artist;
    std::optional<QByteArray> copyright;
    bool removeAllExif = false;
};

// lumicap-tags set [--description T] [--artist T] [--copyright T]
//                  [--remove-all-exif] FILE...
int runSet(const QStringList &files, const SetRequest &request);

} // namespace lumicap
