#include "cli/CommandLine.h"

#include "resources/StringTable.h"

namespace lumicap {

namespace {
enum Applies : unsigned { Show = 1, Set = 2, Batch = 4, Replace = 8, History = 16, Undo = 32, Any = 63 };

enum class Id {
    Help,
    Version,
    Verbose,
    Quiet,
    Recursive,
    NameList,
    Json,
    Csv,
    DescriptIon,
    Description,
    Artist,
    Copyright,
    DeleteDescription,
    DeleteArtist,
    DeleteCopyright,
    RemoveAll,
    PreserveTime,
    KeepGoing,
    AllCopies,
    ShowAll,
    SidecarWithExt,
    DryRun,
    Regex,
    IgnoreCase,
    Field,
    Run,
    ListRuns,
    Force,
};

struct OptionSpec
{
    const char *longName; // without "--"; null for a short-only option
    char shortName;
    Id id;
    bool takesValue;
    unsigned applies;
};

// --csv takes a FILE with set and none with show: see takesValue().
constexpr OptionSpec options[] = {
    {"help", 'h', Id::Help, false, Any},
    {"version", 'V', Id::Version, false, Any},
    {"verbose", 'v', Id::Verbose, false, Any},
    {"quiet", 'q', Id::Quiet, false, Any},
    {"recursive", 'r', Id::Recursive, false, Show | Set | Replace},
    {nullptr, '@', Id::NameList, true, Show | Set | Replace},
    {"json", 0, Id::Json, false, Show},
    {"csv", 0, Id::Csv, false, Show | Set},
    {"descript-ion", 0, Id::DescriptIon, false, Show},
    {"description", 0, Id::Description, true, Set},
    {"artist", 0, Id::Artist, true, Set | Batch},
    {"copyright", 0, Id::Copyright, true, Set | Batch},
    {"delete-description", 0, Id::DeleteDescription, false, Set},
    {"delete-artist", 0, Id::DeleteArtist, false, Set},
    {"delete-copyright", 0, Id::DeleteCopyright, false, Set},
    {"remove-all-exif", 0, Id::RemoveAll, false, Set | Batch},
    {"preserve-time", 'P', Id::PreserveTime, false, Set | Batch},
    {"keep-going", 0, Id::KeepGoing, false, Batch | Replace},
    {"all-copies", 0, Id::AllCopies, false, Set | Batch | Replace},
    {"all", 0, Id::ShowAll, false, Show},
    {"sidecar-ext", 0, Id::SidecarWithExt, false, Set | Batch | Replace},
    {"dry-run", 'n', Id::DryRun, false, Set | Batch | Replace},
    {"regex", 0, Id::Regex, false, Replace},
    {"ignore-case", 0, Id::IgnoreCase, false, Replace},
    {"field", 0, Id::Field, true, Replace},
    {"run", 0, Id::Run, true, Undo},
    {"list-runs", 0, Id::ListRuns, false, Undo},
    {"force", 0, Id::Force, false, Undo},
};

struct UsedOption
{
    const OptionSpec *definition;
    QByteArray spelled;
};

class Parser
{
public:
    std::optional<Invocation> run(const std::vector<QByteArray> &args, QString &error);

private:
    bool takesValue(const OptionSpec &option) const { return option.takesValue || (option.id == Id::Csv && inv_.command == Command::Set); }
    bool positional(const QByteArray &arg);
    bool longOption(const QByteArray &arg, const std::vector<QByteArray> &args, std::size_t &i);
    bool shortOptions(const QByteArray &arg, const std::vector<QByteArray> &args, std::size_t &i);
    void apply(const OptionSpec &option, const QByteArray &spelled, const QByteArray &value);
    bool check();
    bool fail(const QString &message)
    {
        error_ = message;
        return false;
    }

    Invocation inv_;
    std::vector<UsedOption> used_;
    int formats_ = 0;
    QString error_;
};

unsigned commandBit(Command command)
{
    switch (command) {
    case Command::Show: return Show;
    case Command::Set: return Set;
    case Command::Batch: return Batch;
    case Command::Replace: return Replace;
    case Command::History: return History;
    case Command::Undo: return Undo;
    case Command::None: break;
    }
    return 0;
}

const char *commandName(Command command)
{
    switch (command) {
    case Command::Show: return "show";
    case Command::Set: return "set";
    case Command::Batch: return "batch";
    case Command::Replace: return "replace";
    case Command::History: return "history";
    case Command::Undo: return "undo";
    case Command::None: break;
    }
    return "";
}
} // namespace

bool Parser::positional(const QByteArray &arg)
{
    if (inv_.command != Command::None) {
        inv_.files.push_back(arg);
        return true;
    }
    if (arg == "show")
        inv_.command = Command::Show;
    else if (arg == "set")
        inv_.command = Command::Set;
    else if (arg == "batch")
        inv_.command = Command::Batch;
    else if (arg == "replace")
        inv_.command = Command::Replace;
    else if (arg == "history")
        inv_.command = Command::History;
    else if (arg == "undo")
        inv_.command = Command::Undo;
    else
        return fail(formatString(IDS_CLI_UNKNOWN_COMMAND, arg.constData()));
    return true;
}

bool Parser::longOption(const QByteArray &arg, const std::vector<QByteArray> &args, std::size_t &i)
{
    const qsizetype equals = arg.indexOf('=');
    const QByteArray name = arg.mid(2, equals < 0 ? -1 : equals - 2);
    for (const OptionSpec &option : options) {
        if (!option.longName || name != option.longName)
            continue;
        const QByteArray spelled = "--" + name;
        if (!takesValue(option)) {
            if (equals >= 0)
                return fail(formatString(IDS_CLI_NO_VALUE_TAKEN, spelled.constData()));
            apply(option, spelled, {});
        } else if (equals >= 0) {
            apply(option, spelled, arg.mid(equals + 1));
        } else if (i + 1 < args.size()) {
            apply(option, spelled, args[++i]);
        } else {
            return fail(formatString(IDS_CLI_NEEDS_VALUE, spelled.constData()));
        }
        return true;
    }
    return fail(formatString(IDS_CLI_UNKNOWN_OPTION, (equals < 0 ? arg : arg.left(equals)).constData()));
}

bool Parser::shortOptions(const QByteArray &arg, const std::vector<QByteArray> &args, std::size_t &i)
{
    for (qsizetype k = 1; k < arg.size(); ++k) {
        const OptionSpec *found = nullptr;
        for (const OptionSpec &option : options) {
            if (option.shortName == arg[k])
                found = &option;
        }
        const QByteArray spelled = QByteArray("-") + arg[k];
        if (!found)
            return fail(formatString(IDS_CLI_UNKNOWN_OPTION, spelled.constData()));
        if (!takesValue(*found)) {
            apply(*found, spelled, {});
            continue;
        }
        // "-@FILE" or "-@ FILE": the rest of the argument, or the next one.
        if (k + 1 < arg.size())
            apply(*found, spelled, arg.mid(k + 1));
        else if (i + 1 < args.size())
            apply(*found, spelled, args[++i]);
        else
            return fail(formatString(IDS_CLI_NEEDS_VALUE, spelled.constData()));
        return true;
    }
    return true;
}

void Parser::apply(const OptionSpec &option, const QByteArray &spelled, const QByteArray &value)
{
    used_.push_back({&option, spelled});
    switch (option.id) {
    case Id::Help: inv_.help = true; break;
    case Id::Version: inv_.version = true; break;
    case Id::Verbose: inv_.verbose = true; break;
    case Id::Quiet: inv_.quiet = true; break;
    case Id::Recursive: inv_.recursive = true; break;
    case Id::NameList: inv_.nameLists.push_back(value); break;
    case Id::Json:
        ++formats_;
        inv_.format = ShowFormat::Json;
        break;
    case Id::Csv:
        if (inv_.command == Command::Set) {
            inv_.csvFile = value;
        } else {
            ++formats_;
            inv_.format = ShowFormat::Csv;
        }
        break;
    case Id::DescriptIon:
        ++formats_;
        inv_.format = ShowFormat::DescriptIon;
        break;
    case Id::Description: inv_.changes.description = value; break;
    case Id::Artist: inv_.changes.artist = value; break;
    case Id::Copyright: inv_.changes.copyright = value; break;
    case Id::DeleteDescription: inv_.changes.deleteDescription = true; break;
    case Id::DeleteArtist: inv_.changes.deleteArtist = true; break;
    case Id::DeleteCopyright: inv_.changes.deleteCopyright = true; break;
    case Id::RemoveAll: inv_.removeAllExif = true; break;
    case Id::PreserveTime: inv_.preserveTime = true; break;
    case Id::KeepGoing: inv_.keepGoing = true; break;
    case Id::AllCopies: inv_.allCopies = true; break;
    case Id::ShowAll: inv_.showAll = true; break;
    case Id::SidecarWithExt: inv_.sidecarWithExt = true; break;
    case Id::DryRun: inv_.dryRun = true; break;
    case Id::Regex: inv_.regex = true; break;
    case Id::IgnoreCase: inv_.ignoreCase = true; break;
    case Id::Field: inv_.fields.push_back(value); break;
    case Id::Run: inv_.run = value; break;
    case Id::ListRuns: inv_.listRuns = true; break;
    case Id::Force: inv_.force = true; break;
    }
}

bool Parser::check()
{
    if (inv_.help || inv_.version)
        return true;
    if (inv_.command == Command::None)
        return fail(loadString(IDS_CLI_NO_COMMAND));
    const char *command = commandName(inv_.command);
    for (const UsedOption &option : used_) {
        if (!(option.definition->applies & commandBit(inv_.command)))
            return fail(formatString(IDS_CLI_NOT_FOR_COMMAND, option.spelled.constData(), command));
    }
    const auto conflict
        = [this](bool a, bool b, const char *first, const char *second) { return a && b && !fail(formatString(IDS_CLI_CONFLICT, first, second)); };
    if (conflict(inv_.verbose, inv_.quiet, "--verbose", "--quiet"))
        return false;
    switch (inv_.command) {
    case Command::Show:
        if (formats_ > 1)
            return fail(formatString(IDS_CLI_CONFLICT, "--json", "--csv/--descript-ion"));
        // The copies are listed in text and JSON; a table or a list has no room for them.
        if (conflict(inv_.showAll, inv_.format == ShowFormat::Csv || inv_.format == ShowFormat::DescriptIon, "--all", "--csv/--descript-ion"))
            return false;
        break;
    case Command::Set: {
        if (inv_.format == ShowFormat::Csv) // --csv given before "set"
            return fail(formatString(IDS_CLI_NEEDS_VALUE, "--csv"));
        const FieldChanges &changes = inv_.changes;
        if (conflict(changes.description.has_value(), changes.deleteDescription, "--description", "--delete-description")
            || conflict(changes.artist.has_value(), changes.deleteArtist, "--artist", "--delete-artist")
            || conflict(changes.copyright.has_value(), changes.deleteCopyright, "--copyright", "--delete-copyright"))
            return false;
        const bool fieldOptions = changes.any();
        if (conflict(inv_.csvFile.has_value(), fieldOptions, "--csv", "--description/--artist/--copyright/--delete-*"))
            return false;
        if (!fieldOptions && !inv_.csvFile && !inv_.removeAllExif)
            return fail(loadString(IDS_CLI_NOTHING_TO_SET));
        if (inv_.csvFile)
            return true; // the CSV names the files, unless files are given
        break;
    }
    case Command::Batch:
        if (inv_.files.size() != 1)
            return fail(loadString(IDS_CLI_ONE_LIST));
        return true;
    case Command::Replace:
        for (const QByteArray &field : inv_.fields) {
            if (field != "description" && field != "artist" && field != "copyright")
                return fail(formatString(IDS_CLI_UNKNOWN_FIELD, field.constData()));
        }
        if (inv_.files.size() < 2 || inv_.files.front().isEmpty())
            return fail(loadString(IDS_CLI_REPLACE_NEEDS));
        inv_.find = inv_.files[0];
        inv_.replacement = inv_.files[1];
        inv_.files.erase(inv_.files.begin(), inv_.files.begin() + 2);
        break;
    case Command::Undo:
        // Pictures, a run or the list of runs: exactly one of them.
        if ((!inv_.files.empty()) + inv_.run.has_value() + inv_.listRuns != 1 || !inv_.nameLists.empty())
            return fail(loadString(IDS_CLI_UNDO_WHAT));
        return true;
    case Command::History:
    case Command::None: break;
    }
    if (inv_.files.empty() && inv_.nameLists.empty())
        return fail(loadString(IDS_CLI_NO_FILES));
    return true;
}

std::optional<Invocation> Parser::run(const std::vector<QByteArray> &args, QString &error)
{
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const QByteArray &arg = args[i];
        bool ok = true;
        if (optionsEnded || arg.size() < 2 || arg[0] != '-')
            ok = positional(arg); // "-" alone is a name
        else if (arg == "--")
            optionsEnded = true;
        else if (arg.startsWith("--"))
            ok = longOption(arg, args, i);
        else
            ok = shortOptions(arg, args, i);
        if (!ok) {
            error = error_;
            return std::nullopt;
        }
    }
    if (!check()) {
        error = error_;
        return std::nullopt;
    }
    return inv_;
}

std::optional<Invocation> CommandLine::parse(const std::vector<QByteArray> &args, QString &error)
{
    return Parser().run(args, error);
}

} // namespace lumicap
