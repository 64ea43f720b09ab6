#pragma once

#include "batch/FindReplace.h"

#include <QByteArray>

#include <optional>
#include <vector>

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
    bool dryRun = false; // print what would change, write nothing
};

// lumicap-tags batch LIST: 0 only when every picture of the list was saved;
// 1 when any was skipped or failed, or the list cannot be read or looks
// binary.
int runBatchCommand(const QByteArray &listPath, const BatchRequest &request);

// lumicap-tags replace: the replacement made in each picture's fields, run
// as a batch (--keep-going, --verbose, --quiet and --dry-run as there).
int runReplaceCommand(const std::vector<QByteArray> &pictures, const FindReplace &replace, const BatchRequest &request);

} // namespace lumicap
