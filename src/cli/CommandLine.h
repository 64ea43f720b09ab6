#pragma once

#include "cli/FieldChanges.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace lumicap {

enum class Command { None, Show, Set, Batch, Replace, History, Undo };

enum class ShowFormat { Text, Json, Csv, DescriptIon };

// What the arguments ask for, as bytes: file names and values are taken
// exactly as the shell handed them over, whatever their encoding.
struct Invocation
{
    Command command = Command::None;
    std::vector<QByteArray> files;
    std::vector<QByteArray> nameLists; // -@ FILE, "-" for standard input

    bool help = false;
    bool version = false;
    bool verbose = false;
    bool quiet = false;
    bool recursive = false;
    bool preserveTime = false;
    bool removeAllExif = false;
    bool keepGoing = false;
    bool allCopies = false;      // set, batch: create missing XMP and IPTC copies
    bool showAll = false;        // show: every copy of each field
    bool sidecarWithExt = false; // set, batch: a raw file's new sidecar is NAME.EXT.xmp
    ShowFormat format = ShowFormat::Text;

    FieldChanges changes;              // set: --description ... --delete-copyright; batch: --artist, --copyright
    std::optional<QByteArray> csvFile; // set --csv FILE

    bool dryRun = false; // set, batch, replace: nothing is written
    // replace FIND REPLACEMENT, and the fields it looks in (all when none).
    QByteArray find;
    QByteArray replacement;
    bool regex = false;
    bool ignoreCase = false;
    std::vector<QByteArray> fields;
    std::optional<QByteArray> run; // undo --run ID
    bool listRuns = false;         // undo --list-runs
    bool force = false;            // undo: fields changed since too
};

// Reads argv (without the program name). Options may come before or after
// the command; "--" ends them. An error is one line for the user.
class CommandLine
{
public:
    static std::optional<Invocation> parse(const std::vector<QByteArray> &args, QString &error);
};

} // namespace lumicap
