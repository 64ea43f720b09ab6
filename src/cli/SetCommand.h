#pragma once

#include <QByteArray>

#include <optional>
#include <vector>

namespace lumicap {

// What set writes into one picture. A field that is not given keeps the
// file's own bytes, or stays absent; an empty value is written as given.
struct SetRequest
{
    std::optional<QByteArray> description;
    std::optional<QByteArray> artist;
    std::optional<QByteArray> copyright;
    bool deleteDescription = false;
    bool deleteArtist = false;
    bool deleteCopyright = false;
    bool removeAllExif = false;
    bool allCopies = false; // missing XMP and IPTC copies are created too
    bool preserveTime = false;

    bool changesNothing() const
    {
        return !description && !artist && !copyright && !deleteDescription && !deleteArtist && !deleteCopyright && !removeAllExif;
    }
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
int runSet(const std::vector<SetJob> &jobs, bool verbose);

} // namespace lumicap
