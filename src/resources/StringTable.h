#pragma once

#include <QString>

namespace lumicap {

// The program's string table. Ids 101-132 are the window texts; the 900s
// belong to the command-line tool.
enum StringId : int {
    IDS_ABOUTBOX = 101,
    IDS_FOLDER_EMPTY = 102,
    IDS_LOAD_ERROR = 103,
    IDS_POSITION = 104,
    IDS_SAVE_CHANGES = 105,
    IDS_DESCRIPTION_CHANGED = 106,
    IDS_DESCRIPTION = 107,
    IDS_ARTIST_CHANGED = 108,
    IDS_ARTIST = 109,
    IDS_COPYRIGHT_CHANGED = 110,
    IDS_COPYRIGHT = 111,
    IDS_SAVE_ERROR = 112,
    IDS_NO_IMAGES = 113,
    IDS_FOLDER_MISSING = 114,
    IDS_TIP_FOLDER = 115,
    IDS_TIP_AUTOSEL = 116,
    IDS_TIP_REMOVE_ALL = 117,
    IDS_TIP_DESCRIPTION = 118,
    IDS_TIP_ARTIST = 119,
    IDS_TIP_COPYRIGHT = 120,
    IDS_TIP_START = 121,
    IDS_TIP_PREVIOUS = 122,
    IDS_TIP_NEXT = 123,
    IDS_TIP_SAVE = 124,
    IDS_TIP_LINK = 125,
    IDS_TIP_AUTOSAVE = 126,
    IDS_TIP_NO_LOAD_COPYRIGHT = 127,
    IDS_LIST_FILTER = 128,
    IDS_TOO_LONG = 129,
    IDS_LIST_NAME_EMPTY = 130,
    IDS_WORKING = 131,
    IDS_LIST_MISSING = 132,
    IDS_LOAD_ERROR_CONTINUE = 133,
    IDS_LIST_READ_ERROR = 134,

    IDS_CLI_DESCRIPTION = 900,
    IDS_CLI_UNKNOWN_COMMAND = 908,
    IDS_CLI_NO_FILES = 909,
    IDS_CLI_BATCH_SUMMARY = 913,
    IDS_CLI_ONE_LIST = 914,
    IDS_CLI_USAGE = 915,
    IDS_CLI_UNKNOWN_OPTION = 916,
    IDS_CLI_NEEDS_VALUE = 917,
    IDS_CLI_NO_VALUE_TAKEN = 918,
    IDS_CLI_NOT_FOR_COMMAND = 919,
    IDS_CLI_CONFLICT = 920,
    IDS_CLI_NOTHING_TO_SET = 921,
    IDS_CLI_NO_COMMAND = 922,
    IDS_CLI_CANNOT_READ = 923,
    IDS_CLI_LIST_BINARY = 924,
    IDS_CLI_CSV_NO_SOURCE = 925,
    IDS_CLI_CSV_NO_ROW = 926,
    IDS_CLI_NOT_LISTABLE = 927,
    IDS_CLI_TIMES_NOT_KEPT = 928,
    IDS_CLI_SAVED = 929,
    IDS_CLI_UNCHANGED = 930,
    IDS_CLI_HELP = 931,
};

// The text of a string id; empty for an id the table does not have.
const char *stringText(int id);
QString loadString(int id);

// printf-style formatting of a table string ("%d", "%s"; %s takes UTF-8).
QString formatString(int id, ...);

} // namespace lumicap
