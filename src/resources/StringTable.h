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
    IDS_CLI_COMMAND = 901,
    IDS_CLI_FILES = 902,
    IDS_CLI_JSON = 903,
    IDS_CLI_SET_DESCRIPTION = 904,
    IDS_CLI_SET_ARTIST = 905,
    IDS_CLI_SET_COPYRIGHT = 906,
    IDS_CLI_REMOVE_ALL = 907,
    IDS_CLI_UNKNOWN_COMMAND = 908,
    IDS_CLI_NO_FILES = 909,
    IDS_CLI_TEXT = 910,
    IDS_CLI_LIST = 911,
    IDS_CLI_KEEP_GOING = 912,
    IDS_CLI_BATCH_SUMMARY = 913,
    IDS_CLI_ONE_LIST = 914,
};

// The text of a string id; empty for an id the table does not have.
const char *stringText(int id);
QString loadString(int id);

// printf-style formatting of a table string ("%d", "%s"; %s takes UTF-8).
QString formatString(int id, ...);

} // namespace lumicap
