#include "StringTable.h"

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
        {IDS_NO_IMAGES, "Selected folder doesn't contain any TIF of JPG file. Please choose a folder with jpg or tif image files."},
        {IDS_FOLDER_MISSING, "Selected folder doesn't exist. Please choose an existing folder."},
        {IDS_TIP_FOLDER, "Insert here the folder name where your images are stored"},
        {IDS_TIP_AUTOSEL, "If selected, when a new image is loaded focus is automatically moved to the description field and the text is selected"},
        {IDS_TIP_REMOVE_ALL, "If selected, all exif field are removed from the image, then the description fields \"Description\", \"Artist\" and \"Copyright\" are added"},
        {IDS_TIP_DESCRIPTION, "Enter here the description of your image"},
        {IDS_TIP_ARTIST, "Enter here artist/author name"},
        {IDS_TIP_COPYRIGHT, "Enter here your copyright text"},
        {IDS_TIP_START, "Click here to start editing descriptions on your images"},
        {IDS_TIP_PREVIOUS, "Shows the previous image"},
        {IDS_TIP_NEXT, "Shows the next image"},
        {IDS_TIP_SAVE, "Save changes to the current image"},
        {IDS_TIP_LINK, "Click here to activate link, or right click to copy the link into the clipboard"},
        {IDS_TIP_AUTOSAVE, "If selected, all changes to description will be automatically saved when moving to the next or previous image"},
        {IDS_TIP_NO_LOAD_COPYRIGHT, "If selected, the fields \"Artist\" and \"Copyright\" will not be read from images. To set same value of these fields to all image  enable this option."},
        {IDS_LIST_FILTER, "Descriptions (*.txt;*.ion)|*.txt;*.ion|All Files (*.*)|*.*||"},
        {IDS_TOO_LONG, "Please enter no more than %d characters."},
        {IDS_LIST_NAME_EMPTY, "File name is empty. Insert a file name and try again."},
        {IDS_WORKING, "Working..."},
        {IDS_LIST_MISSING, "Can't find file %s"},
        {IDS_LOAD_ERROR_CONTINUE, "Error %d while loading Image %s\nContinue with other files ?"},
        {IDS_LIST_READ_ERROR, "Error %d while reading %s"},

        {IDS_CLI_DESCRIPTION, "Reads and writes the description, artist and copyright tags of JPEG, TIFF and PNG files."},
        {IDS_CLI_COMMAND, "show, set or batch"},
        {IDS_CLI_FILES, "Image files (for show and set), or the image list file (for batch)."},
        {IDS_CLI_JSON, "Print one JSON array of objects instead of text."},
        {IDS_CLI_SET_DESCRIPTION, "The description to write."},
        {IDS_CLI_SET_ARTIST, "The artist to write."},
        {IDS_CLI_SET_COPYRIGHT, "The copyright to write."},
        {IDS_CLI_REMOVE_ALL, "Remove all Exif fields except description, artist and copyright."},
        {IDS_CLI_UNKNOWN_COMMAND, "Unknown command \"%s\"; use show, set or batch."},
        {IDS_CLI_NO_FILES, "No files given."},
        {IDS_CLI_TEXT, "text"},
        {IDS_CLI_LIST, "The image list file (DESCRIPT.ION or \"name description\" lines)."},
        {IDS_CLI_KEEP_GOING, "Skip images that cannot be opened instead of stopping."},
        {IDS_CLI_BATCH_SUMMARY, "%d saved, %d skipped, %d failed"},
        {IDS_CLI_ONE_LIST, "batch takes exactly one image list file."},
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
