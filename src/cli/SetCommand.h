#pragma once

#include "cli/FieldChanges.h"

#include <QByteArray>

#include <optional>
#include <vector>

namespace lumicap {

// What set writes into one picture. A field that is not given keeps the
// file's own bytes, or stays absent; an empty value is written as given.
// Values are patterns (CaptionPattern), filled in for each picture.
struct SetRequest
{
    FieldChanges changes;
    bool removeAllExif = false;
    bool allCopies = false; // missing XMP and IPTC copies are created too
    bool preserveTime = false;
    bool patterns = true; // values from a table are taken as they are

    bool changesNothing() const { return !changes.any() && !removeAllExif; }
};

struct SetJob
{
    QByteArray path;
    SetRequest request;
};

// lumicap-tags set: each job's picture opened, changed and saved safely.
// Every failure is reported on stderr; 0 when every picture was done, 1
// otherwise. A copy of the fields (XMP, IPTC) that cannot be parsed is left
// as it was and named on stderr; the save itself counts as done. With verbose, a line per picture says whether it was written.
// A dry run prints what each picture's fields would become and writes
// nothing; its status is the one the run would have.
int runSet(const std::vector<SetJob> &jobs, bool verbose, bool dryRun = false);
// Whether every value of the request is a sound pattern; error says why not.
bool checkSetPatterns(const SetRequest &request, QString &error);

} // namespace lumicap
