#pragma once

#include <QByteArray>

#include <optional>

namespace lumicap {

struct BatchRequest
{
    // Written into every picture when given (an empty value too); absent
    // leaves each picture's own.
    std::optional<QByteArray> artist;
    std::optional<QByteArray> copyright;
    bool removeAllExif = false;
    bool allCopies = false; // create missing XMP and IPTC copies
    bool keepGoing = false;
    bool preserveTime = false;
    bool verbose = false;
    bool quiet = false;
};

// lumicap-tags batch LIST: 0 only when every picture of the list was saved;
// 1 when any was skipped or failed, or the list cannot be read or looks
// binary.
int runBatchCommand(const QByteArray &listPath, const BatchRequest &request);

} // namespace lumicap
