#pragma once

#include <QByteArray>
#include <QString>

namespace lumicap {

struct BatchRequest
{
    QByteArray artist;
    QByteArray copyright;
    bool removeAllExif = false;
    bool keepGoing = false;
};

// lumicap-tags batch LIST [--artist T] [--copyright T] [--remove-all-exif]
//                         [--keep-going]
int runBatchCommand(const QString &listFile, const BatchRequest &request);

} // namespace lumicap
