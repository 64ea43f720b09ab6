#include "BatchCommand.h"
#include "SetCommand.h"
#include "ShowCommand.h"
#include "StringTable.h"
#include "ConsoleOutput.h"

#include <QCommandLineParser>
#include <QCoreApplication>

using namespace lumicap;

namespace {
constexpr int usageError = 2;

int usage(QCommandLineParser &parser, const QString &message)
{
    printError(message);
    printError(parser.helpText());
    return usageError;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("lumicap-tags");
    QCoreApplication::setApplicationVersion(LUMICAP_VERSION);

    QCommandLineParser parser;
    parser.setApplicationDescription(loadString(IDS_CLI_DESCRIPTION));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument("command", loadString(IDS_CLI_COMMAND));
    parser.addPositionalArgument("files", loadString(IDS_CLI_FILES), "FILE...");
    const QString text = loadString(IDS_CLI_TEXT);
    QCommandLineOption json("json", loadString(IDS_CLI_JSON));
    QCommandLineOption description("description", loadString(IDS_CLI_SET_DESCRIPTION), text);
    QCommandLineOption artist("artist", loadString(IDS_CLI_SET_ARTIST), text);
    QCommandLineOption copyright("copyright", loadString(IDS_CLI_SET_COPYRIGHT), text);
    QCommandLineOption removeAll("remove-all-exif", loadString(IDS_CLI_REMOVE_ALL));
    QCommandLineOption keepGoing("keep-going", loadString(IDS_CLI_KEEP_GOING));
    parser.addOptions({json, description, artist, copyright, removeAll, keepGoing});

    if (!parser.parse(QCoreApplication::arguments()))
        return usage(parser, parser.errorText());
    if (parser.isSet("help")) {
        printOut(parser.helpText());
        return 0;
    }
    if (parser.isSet("version")) {
        printOut(QCoreApplication::applicationName() + ' ' + QCoreApplication::applicationVersion());
        return 0;
    }

    QStringList args = parser.positionalArguments();
    if (args.isEmpty())
        return usage(parser, loadString(IDS_CLI_COMMAND));
    const QString command = args.takeFirst();
    if (args.isEmpty())
        return usage(parser, loadString(IDS_CLI_NO_FILES));

    if (command == "show")
        return runShow(args, parser.isSet(json));
    if (command == "set") {
        SetRequest request;
        if (parser.isSet(description))
            request.description = parser.value(description).toUtf8();
        if (parser.isSet(artist))
            request.artist = parser.value(artist).toUtf8();
        if (parser.isSet(copyright))
            request.copyright = parser.value(copyright).toUtf8();
        request.removeAllExif = parser.isSet(removeAll);
        return runSet(args, request);
    }
    if (command == "batch") {
        if (args.size() != 1)
            return usage(parser, loadString(IDS_CLI_ONE_LIST));
        BatchRequest request;
        if (parser.isSet(artist))
            request.artist = parser.value(artist).toUtf8();
        if (parser.isSet(copyright))
            request.copyright = parser.value(copyright).toUtf8();
        request.removeAllExif = parser.isSet(removeAll);
        request.keepGoing = parser.isSet(keepGoing);
        return runBatchCommand(args.first(), request);
    }
    return usage(parser, formatString(IDS_CLI_UNKNOWN_COMMAND, command.toUtf8().constData()));
}
