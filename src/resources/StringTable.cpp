#include "resources/StringTable.h"

#include <cstdarg>
#include <map>

namespace lumicap {

namespace {
const std::map<int, const char *> &table()
{
    static const std::map<int, const char *> strings = {
        {IDS_ABOUTBOX, "&About Lumicap..."},
        {IDS_FOLDER_EMPTY, "Images folder field is empty. Please enter a folder name and try again."},
        {IDS_LOAD_ERROR, "Error %d while loading Image %s"},
        {IDS_POSITION, "%d of %d images"},
        {IDS_SAVE_CHANGES, "One of the image description fields has been changed, do you wish to save changes ?"},
        {IDS_DESCRIPTION_CHANGED, "Description (*):"},
        {IDS_DESCRIPTION, "Description:"},
        {IDS_ARTIST_CHANGED, "Artist (*):"},
        {IDS_ARTIST, "Artist:"},
        {IDS_COPYRIGHT_CHANGED, "Copyright (*):"},
        {IDS_COPYRIGHT, "Copyright:"},
        {IDS_SAVE_ERROR, "Error %d while saving Image %s"},
        {IDS_NO_IMAGES, "Selected folder doesn't contain any TIF or JPG file. Please choose a folder with jpg or tif image files."},
        {IDS_FOLDER_MISSING, "Selected folder doesn't exist. Please choose an existing folder."},
        {IDS_TIP_FOLDER, "Insert here the folder name where your images are stored"},
        {IDS_TIP_AUTOSEL, "If selected, when a new image is loaded focus is automatically moved to the description field and the text is selected"},
        {IDS_TIP_REMOVE_ALL,
         "If selected, all exif field are removed from the image, then the description fields \"Description\", \"Artist\" and \"Copyright\" are "
         "added"},
        {IDS_TIP_DESCRIPTION, "Enter here the description of your image"},
        {IDS_TIP_ARTIST, "Enter here artist/author name"},
        {IDS_TIP_COPYRIGHT, "Enter here your copyright text"},
        {IDS_TIP_START, "Click here to start editing descriptions on your images"},
        {IDS_TIP_PREVIOUS, "Shows the previous image"},
        {IDS_TIP_NEXT, "Shows the next image"},
        {IDS_TIP_SAVE, "Save changes to the current image"},
        {IDS_TIP_LINK, "Click here to activate link, or right click to copy the link into the clipboard"},
        {IDS_TIP_AUTOSAVE, "If selected, all changes to description will be automatically saved when moving to the next or previous image"},
        {IDS_TIP_NO_LOAD_COPYRIGHT,
         "If selected, the fields \"Artist\" and \"Copyright\" will not be read from images. To set same value of these fields to all image  enable "
         "this option."},
        {IDS_LIST_FILTER, "Descriptions (*.txt;*.ion)|*.txt;*.ion|All Files (*.*)|*.*||"},
        {IDS_TOO_LONG, "Please enter no more than %d characters."},
        {IDS_LIST_NAME_EMPTY, "File name is empty. Insert a file name and try again."},
        {IDS_WORKING, "Working..."},
        {IDS_LIST_MISSING, "Can't find file %s"},
        {IDS_LOAD_ERROR_CONTINUE, "Error %d while loading Image %s\nContinue with other files ?"},
        {IDS_LIST_READ_ERROR, "Error %d while reading %s"},
        {IDS_REASON_GENERIC, "Something unexpected went wrong; the file was not changed."},
        {IDS_REASON_DAMAGED, "The file is damaged: its structure or its tags cannot be read."},
        {IDS_REASON_NOT_A_FILE, "This is not a regular file (it is a folder, a pipe or a device)."},
        {IDS_REASON_OUT_OF_MEMORY, "There is not enough memory, or the file is larger than 2 GB."},
        {IDS_REASON_BUSY, "Another program is writing this file, or changed it during the save."},
        {IDS_REASON_SYSTEM, "The system refused to write: the disk may be full, or a \"_~\" file that is not Lumicap's is in the way."},
        {IDS_REASON_NOT_FOUND, "The file no longer exists."},
        {IDS_REASON_TOO_BIG, "The tags do not fit in the file (a JPEG holds 64 KB of them); nothing was written."},
        {IDS_REASON_ACCESS_DENIED, "The file is read-only, has other hard links, or you have no permission to change it."},
        {IDS_REASON_NOT_AN_IMAGE, "The file is not a picture this program knows."},
        {IDS_REASON_NOT_SUPPORTED, "This picture format cannot hold these tags."},
        {IDS_CHANGED_ON_DISK, "Another program changed the %s of Image %s since it was opened. Replace it with your text?"},
        {IDS_BATCH_SUMMARY, "%d saved, %d skipped, %d failed"},
        {IDS_BATCH_CANCELLED, "Cancelled."},
        {IDS_APP_DESCRIPTION,
         "Edits the description, artist and copyright stored in JPEG, TIFF, PNG, WebP and HEIC photos and in raw files' XMP sidecars."},
        {IDS_APP_PATH, "A folder to open, or a picture to show with the other pictures of its folder."},
        {IDS_APP_PATH_SYNTAX, "[FOLDER|FILE]"},
        {IDS_TIP_ALL_COPIES,
         "If selected, a save also adds the IPTC and XMP captions a picture lacks. The copies a picture already has are always written too."},
        {IDS_FROM_COPY, "from %s (the picture's Exif tag is empty)"},
        {IDS_COPIES_DIFFER, "Other programs may show another text. The other copies hold:"},
        {IDS_COPY_LINE, "%s: %s"},
        {IDS_COPY_EMPTY, "(empty)"},
        {IDS_COPIES_UNTOUCHED, "Image %s was saved, but its %s cannot be read and was left as it was; other programs may still show the old text."},
        {IDS_BATCH_COPIES_UNTOUCHED,
         "Copies of the captions that cannot be read were left as they were; other programs may still show the old text:"},
        {IDS_BATCH_MORE, "and %d more"},
        {IDS_SAVE_ERROR_AGAIN, "Error %d while saving Image %s\nSave it again? No drops your changes, Cancel stays on this image."},
        {IDS_STRIP_SHOW, "Show &Filmstrip"},
        {IDS_STRIP_DESCRIBED, "Has a description"},
        {IDS_STRIP_EDITED, "Changed, not saved yet"},
        {IDS_STRIP_SAVE_FAILED, "The last save failed"},
        {IDS_STRIP_UNREADABLE, "Cannot be opened"},
        {IDS_LIST_BINARY, "%s is not an image list: it holds binary data"},
        {IDS_REASON_EMPTY, "The file is empty."},
        {IDS_REASON_NOT_WRITTEN_YET, "This picture format can hold these tags, but Lumicap does not write it."},
        {IDS_REASON_OUTSIDE_FOLDER, "The list names a file outside its own folder; it may name only pictures in that folder and its sub-folders."},
        {IDS_REASON_NO_SUCH_FILE, "There is no file of that name."},
        {IDS_LIST_LINE_NO_NAME, "A line of the list names no picture: %s\nContinue with other files ?"},
        {IDS_LIST_LINE_UNCLOSED, "A line of the list opens a quote it never closes: %s\nContinue with other files ?"},
        {IDS_BATCH_NOT_REACHED, ", %d not reached"},
        {IDS_FIELD_FULL, "This text was not inserted: the %s of this picture takes at most %d bytes, and it would need %d more."},
        {IDS_LAST_PICTURE, "Last picture: there is no next one."},
        {IDS_FIRST_PICTURE, "First picture: there is no previous one."},
        {IDS_IPTC_OVER, "%s %d of %d bytes: the IPTC copy will be cut"},
        {IDS_IPTC_CUT, "Saved. The IPTC copy of the %s was cut to %d bytes, all IPTC holds; Exif and XMP keep it whole."},
        {IDS_SPELL_ADD, "Add to dictionary"},
        {IDS_SPELL_LANGUAGE, "Spelling language"},
        {IDS_SPELL_NO_SUGGESTIONS, "(no suggestions)"},
        {IDS_BATCH_FIELD_FULL, "The %s of a batch takes at most %d bytes, what every picture can hold, and this text needs %d more."},
        {IDS_SAVE_ERROR_CONTINUE, "Error %d while saving Image %s\nContinue with other files ?"},
        {IDS_PATTERN_UNKNOWN_FIELD,
         "Unknown field {%s}. Fields are {name}, {stem}, {stem:words}, {folder}, {n}, {n:03}, {date}, {date:yyyy-MM-dd}, {make}, {model}, "
         "{description}, {artist} and {copyright}; {{ and }} write braces. Nothing was written."},
        {IDS_PATTERN_UNCLOSED, "A field is not closed in \"%s\" (write {{ for a brace). Nothing was written."},
        {IDS_PATTERN_LONE_BRACE, "A \"}\" closes no field in \"%s\" (write }} for a brace). Nothing was written."},
        {IDS_PATTERN_IN_LIST, "%s, the line of %s: %s"},
        {IDS_REPLACE_BAD_REGEX, "The regular expression is not valid: %s."},
        {IDS_REPLACE_NOTHING, "No picture holds the text to find in the chosen fields."},
        {IDS_REPLACE_FIND_EMPTY, "Enter the text to find."},
        {IDS_APPLY_NO_FIELD, "Tick at least one field to set."},
        {IDS_FIELD_NAME_DESCRIPTION, "description"},
        {IDS_FIELD_NAME_ARTIST, "artist"},
        {IDS_FIELD_NAME_COPYRIGHT, "copyright"},
        {IDS_REPLACE_COUNT, "%d changes in %d pictures; untick those to leave alone."},
        {IDS_REPLACE_PICTURE, "Picture"},
        {IDS_REPLACE_FIELD, "Field"},
        {IDS_REPLACE_BEFORE, "Now"},
        {IDS_REPLACE_AFTER, "After the replace"},
        {IDS_APPLY_NO_PICTURES, "Open a folder with pictures first."},

        {IDS_CLI_DESCRIPTION,
         "Reads and writes the description, artist and copyright tags of JPEG, TIFF, PNG, WebP and HEIC files, and of raw files in their XMP "
         "sidecars."},
        {IDS_CLI_UNKNOWN_COMMAND, "unknown command \"%s\"; use show, set, batch, replace, history or undo"},
        {IDS_CLI_NO_FILES, "no files given"},
        {IDS_CLI_ONE_LIST, "batch takes exactly one image list file"},
        {IDS_CLI_USAGE, "lumicap-tags: %s (see lumicap-tags --help)"},
        {IDS_CLI_UNKNOWN_OPTION, "unknown option %s"},
        {IDS_CLI_NEEDS_VALUE, "option %s needs a value"},
        {IDS_CLI_NO_VALUE_TAKEN, "option %s takes no value"},
        {IDS_CLI_NOT_FOR_COMMAND, "option %s does not apply to %s"},
        {IDS_CLI_CONFLICT, "%s and %s cannot be used together"},
        {IDS_CLI_NOTHING_TO_SET, "set needs --description, --artist, --copyright, a --delete option, --remove-all-exif or --csv FILE"},
        {IDS_CLI_NO_COMMAND, "no command; use show, set, batch or replace"},
        {IDS_CLI_CANNOT_READ, "Can't read %s"},
        {IDS_CLI_CSV_NO_SOURCE, "The CSV file has no SourceFile column"},
        {IDS_CLI_CSV_NO_ROW, "No row for %s in the CSV file"},
        {IDS_CLI_NOT_LISTABLE, "%s cannot go into a DESCRIPT.ION list: its name holds a quote or a line break"},
        {IDS_CLI_TIMES_NOT_KEPT, "Saved %s, but could not keep its times"},
        {IDS_CLI_SAVED, "saved %s"},
        {IDS_CLI_UNCHANGED, "unchanged %s"},
        {IDS_CLI_HELP,
         "Usage: lumicap-tags show [OPTIONS] FILE|FOLDER...\n"
         "       lumicap-tags set OPTIONS FILE|FOLDER...\n"
         "       lumicap-tags batch [OPTIONS] LIST\n"
         "       lumicap-tags replace [OPTIONS] FIND REPLACEMENT FILE|FOLDER...\n"
         "       lumicap-tags history FILE...\n"
         "       lumicap-tags undo [--force] FILE... | --run ID | --list-runs\n"
         "\n"
         "Commands:\n"
         "  show                   print the three tags of each picture\n"
         "  set                    write or delete tags\n"
         "  batch                  apply an image list (DESCRIPT.ION or \"name description\" lines)\n"
         "  replace                replace FIND with REPLACEMENT in the fields' texts\n"
         "  history                list each picture's saves from the journal\n"
         "  undo                   put back the texts of before each picture's last save\n"
         "\n"
         "Values of set, artist and copyright of batch and the list's descriptions may\n"
         "hold fields: {name} {stem} {stem:words} {folder} {n} {n:03} {date}\n"
         "{date:yyyy-MM-dd} {make} {model} {description} {artist} {copyright};\n"
         "{{ and }} write braces.\n"
         "\n"
         "Pictures (show, set, replace):\n"
         "  FOLDER                 the folder's pictures: .jpg .jpeg .tif .tiff .dng .png .webp\n"
         "                         .heic .heif .avif and raw files (.cr2 .cr3 .nef .arw ...)\n"
         "  -r, --recursive        and those of its sub-folders\n"
         "  -@ FILE                names from FILE, one per line; \"-\" reads standard input\n"
         "\n"
         "show:\n"
         "  --json                 one JSON array; an absent tag is null, an empty one \"\"\n"
         "  --csv                  CSV as ExifTool writes it (SourceFile, ImageDescription, Artist, Copyright)\n"
         "  --descript-ion         DESCRIPT.ION lines that batch reads back\n"
         "  --all                  also the other copies of each field (XMP, IPTC, Windows'\n"
         "                         tags), in text and JSON\n"
         "\n"
         "set:\n"
         "  --description TEXT     write TEXT (an empty TEXT writes an empty tag)\n"
         "  --artist TEXT          (also batch: written into every picture)\n"
         "  --copyright TEXT       (also batch)\n"
         "  --delete-description, --delete-artist, --delete-copyright\n"
         "                         remove the tag and empty the field's other copies\n"
         "  --csv FILE             the values of a CSV file (\"-\": standard input); an empty\n"
         "                         cell or a missing column leaves the tag alone\n"
         "  --remove-all-exif      remove every other EXIF field (also batch)\n"
         "  -P, --preserve-time    keep the modification and access times (also batch)\n"
         "  --all-copies           also create the XMP and IPTC copies a picture lacks; the\n"
         "                         copies it has are always written too (also batch)\n"
         "  --sidecar-ext          a raw file without a sidecar gets NAME.EXT.xmp, as darktable\n"
         "                         names it, instead of NAME.xmp (also batch)\n"
         "\n"
         "replace:\n"
         "  --regex                FIND is a regular expression; \\1 in REPLACEMENT is its first group\n"
         "  --ignore-case          any letter case matches\n"
         "  --field NAME           only description, artist or copyright (repeatable; all three\n"
         "                         by default)\n"
         "\n"
         "  -n, --dry-run          set, batch, replace: print what would change, write nothing;\n"
         "                         replace marks the changed parts: [-found-] {+new+}\n"
         "\n"
         "batch:\n"
         "  --keep-going           go on past pictures that cannot be opened or saved and\n"
         "                         lines that name none, instead of stopping\n"
         "\n"
         "undo:\n"
         "  --run ID               undo every save of a run (a batch, a set of several pictures)\n"
         "  --list-runs            list the runs in the journal\n"
         "  --force                also put back fields that changed again since the save\n"
         "\n"
         "  -v, --verbose          a line per picture\n"
         "  -q, --quiet            no progress bar and no summary\n"
         "  -h, --help             this help\n"
         "  -V, --version          the version\n"
         "\n"
         "Exit status: 0 when every picture was done, 1 when any failed or was skipped,\n"
         "2 for a usage error."},
        {IDS_CLI_COPY_LINE, "  %s (%s): %s"},
        {IDS_CLI_WOULD_CHANGE, "%s: %s: \"%s\" -> \"%s\""},
        {IDS_CLI_DRY_RUN_DONE, "dry run: nothing was written"},
        {IDS_CLI_UNKNOWN_FIELD, "unknown field \"%s\" for --field; use description, artist or copyright"},
        {IDS_CLI_REPLACE_NEEDS, "replace needs FIND (not empty), REPLACEMENT and the pictures"},
        {IDS_CLI_COPY_UNTOUCHED, "%s: its %s cannot be read and was left as it was; other programs may still show the old text"},
        {IDS_UNDO_RESTORED, "%s: %s put back as before the save"},
        {IDS_UNDO_LEFT_ALONE, "%s: its %s changed again since that save and was left as it is"},
        {IDS_UNDO_NOTHING, "%s: no save of it to undo"},
        {IDS_UNDO_REPLACED, "%s: refused: another file has taken its place since that save"},
        {IDS_UNDO_NO_RUN, "no run %s in the journal (undo --list-runs shows them)"},
        {IDS_UNDO_RUN_LINE, "%s  %s  %d pictures"},
        {IDS_HISTORY_SAVE, "%s  run %s"},
        {IDS_HISTORY_NOT_DONE, "%s  run %s  not completed: stopped before the picture was replaced"},
        {IDS_HISTORY_FIELD, "  %s: %s -> %s"},
        {IDS_HISTORY_ABSENT, "(none)"},
        {IDS_HISTORY_NONE, "%s: no saves in the journal"},
        {IDS_CLI_UNDO_WHAT, "undo takes pictures, or --run ID, or --list-runs"},
        {IDS_UNDO_LAST_SAVE, "&Undo Last Save"},
        {IDS_UNDO_BATCH_DONE, "%d pictures put back as they were before the batch."},
    };
    return strings;
}
} // namespace

const char *stringText(int id)
{
    const auto it = table().find(id);
    return it == table().end() ? "" : it->second;
}

QString loadString(int id)
{
    return QString::fromUtf8(stringText(id));
}

QString formatString(int id, ...)
{
    va_list args;
    va_start(args, id);
    const QString text = QString::vasprintf(stringText(id), args);
    va_end(args);
    return text;
}

} // namespace lumicap
