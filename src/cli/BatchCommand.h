#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace lumicap {

struct BatchRequest
{
    std::optional<QByteArray> artist;
    std::optional<QByteArray> copyright;
    bool removeAllExif = false;
    bool keepGoing = false;
};

// lumicap-tags batch LIST [--artist T] [--copyright T] [--remove-all-exif]
//                         [--keep-going]
int runBatchCommand(const QString &listFile, const BatchRequest &request);

} // namespace lumicap
