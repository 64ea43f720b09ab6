#include "resources/DialogTemplates.h"

#include "resources/ControlIds.h"
#include "resources/ProductInfo.h"

namespace lumicap {

using K = ControlKind;

const DialogTemplate &editorTemplate()
{
    static const DialogTemplate t{
        102,
        "Lumicap - Edit Exif Description",
        320,
        308,
        {
            {ids::Start, K::DefaultButton, "Start", 263, 7, 50, 14},
            {ids::Cancel, K::Button, "Exit", 263, 26, 50, 14},
            {-1, K::Label, "Images Folder:", 7, 10, 64, 8},
            {ids::Folder, K::Edit, "", 73, 7, 182, 14},
            {ids::AutoSel, K::CheckBox, "On new image, automatically select description", 7, 23, 243, 10},
            {ids::RemoveAllExif, K::CheckBox, "Remove all Exif fields except: Description, Artist, Copyright", 7, 34, 246, 10},
            {ids::AutoSave, K::CheckBox, "Automatically save changes", 7, 45, 125, 10},
            {ids::NoLoadCopyR, K::CheckBox, "Don't load artist && copyright", 138, 45, 119, 10},
            {ids::AllCopies, K::CheckBox, "Also write IPTC and XMP captions", 7, 56, 246, 10},
            {ids::DescriptionLabel, K::Label, "Description:", 7, 100, 55, 8},
            {ids::Description, K::Custom, "", 64, 97, 179, 30},
            {ids::DescriptionNote, K::Custom, "", 245, 99, 10, 10},
            {ids::ArtistLabel, K::Label, "Artist:", 7, 132, 54, 8},
            {ids::Artist, K::Edit, "", 64, 129, 179, 14},
            {ids::ArtistNote, K::Custom, "", 245, 131, 10, 10},
            {ids::CopyrightLabel, K::Label, "Copyright:", 7, 148, 55, 8},
            {ids::Copyright, K::Edit, "", 64, 145, 179, 14},
            {ids::CopyrightNote, K::Custom, "", 245, 147, 10, 10},
            {ids::Previous, K::Button, "<<", 263, 97, 50, 14},
            {ids::Next, K::Button, ">>", 263, 116, 50, 14},
            {ids::Save, K::Button, "Save", 263, 135, 50, 14},
            {ids::Batch, K::Button, "Batch...", 263, 166, 50, 14},
            {ids::Replace, K::Button, "Replace...", 263, 184, 50, 14},
            {ids::ApplyToAll, K::Button, "Apply to all...", 263, 202, 50, 14},
            {ids::Help, K::Button, "Help...", 263, 232, 50, 14},
            {ids::About, K::Button, "About...", 263, 250, 50, 14},
            {ids::Position, K::CentredLabel, "", 7, 71, 248, 8},
            {ids::Preview, K::Custom, "", 7, 164, 248, 126},
            {ids::Status, K::Label, "", 7, 293, 248, 8},
            {ids::FilePath, K::CentredLabel, "", 7, 86, 248, 8},
            {ids::Separator, K::EtchedLine, "", 7, 82, 247, 1},
        },
    };
    return t;
}

const DialogTemplate &batchTemplate()
{
    static const DialogTemplate t{
        132,
        "Batch Image Processing",
        352,
        210,
        {
            {ids::Start, K::DefaultButton, "Start", 295, 7, 50, 14},
            {ids::Cancel, K::Button, "Close", 295, 26, 50, 14},
            {ids::UndoBatch, K::Button, "&Undo Batch", 295, 45, 50, 14},
            {-1, K::Label, "Images List:", 7, 135, 55, 8},
            {ids::ListFile, K::Edit, "", 64, 132, 281, 14},
            {-1, K::Label, "Artist:", 7, 151, 55, 8},
            {ids::BatchArtist, K::Edit, "", 64, 148, 281, 14},
            {-1, K::Label, "Copyright:", 7, 167, 55, 8},
            {ids::BatchCopyright, K::Edit, "", 64, 164, 281, 14},
            {-1, K::Label,
             "1. Prepare a text file where on each line there is the image name and description separated by a space. "
             "If a name contains spaces surround it with \". For example:",
             7, 32, 257, 24},
            {ids::BatchRemoveAllExif, K::CheckBox, "Remove all Exif fields except: Description, Artist, Copyright", 7, 182, 246, 10},
            {ids::BatchAllCopies, K::CheckBox, "Also write IPTC and XMP captions", 7, 193, 246, 10},
            {-1, K::Label, "PICT001.JPG My first Picture\n\"PICT 2.JPG\" My second Picture", 43, 57, 221, 16},
            {-1, K::Label,
             "2. Save this text file in the same folder with the pictures, then insert its name in the text box labeled "
             "\"Images List\"",
             7, 78, 257, 16},
            {-1, K::CentredLabel,
             "This function works on a list of images. You can use a DESCRIPT.ION file prepared by programs like AcdSee "
             "or prepare a simple text file following these instructions:",
             7, 7, 257, 24},
            {-1, K::Label, "3. Write some text in the Artist and Copyright text boxes. Left blank, each picture keeps its own.", 7, 99, 257, 16},
            {-1, K::Label, "4. Click on the start button and wait", 7, 117, 257, 8},
        },
    };
    return t;
}

const DialogTemplate &replaceTemplate()
{
    static const DialogTemplate t{
        134,
        "Replace in the Folder's Pictures",
        420,
        260,
        {
            {-1, K::Label, "Find:", 7, 10, 50, 8},
            {ids::ReplaceFind, K::Edit, "", 60, 7, 295, 14},
            {-1, K::Label, "Replace with:", 7, 26, 50, 8},
            {ids::ReplaceWith, K::Edit, "", 60, 23, 295, 14},
            {ids::ReplaceRegex, K::CheckBox, "Regular expression (\\1 in the replacement is its first group)", 60, 40, 200, 10},
            {ids::ReplaceIgnoreCase, K::CheckBox, "Ignore case", 265, 40, 90, 10},
            {-1, K::Label, "In:", 7, 53, 50, 8},
            {ids::ReplaceInDescription, K::CheckBox, "Description", 60, 52, 70, 10},
            {ids::ReplaceInArtist, K::CheckBox, "Artist", 135, 52, 60, 10},
            {ids::ReplaceInCopyright, K::CheckBox, "Copyright", 200, 52, 70, 10},
            {ids::ReplaceFindAll, K::DefaultButton, "Find", 363, 7, 50, 14},
            {ids::Start, K::Button, "Replace", 363, 26, 50, 14},
            {ids::Cancel, K::Button, "Close", 363, 45, 50, 14},
            {ids::ReplaceList, K::Custom, "", 7, 67, 406, 172},
            {ids::ReplaceCount, K::Label, "", 7, 244, 350, 8},
            {ids::UndoBatch, K::Button, "&Undo Batch", 363, 241, 50, 14},
        },
    };
    return t;
}

const DialogTemplate &applyTemplate()
{
    static const DialogTemplate t{
        135,
        "Apply to All Pictures",
        352,
        132,
        {
            {ids::ApplyDescription, K::CheckBox, "Description:", 7, 9, 60, 10},
            {ids::ApplyDescriptionText, K::Edit, "", 70, 7, 217, 14},
            {ids::ApplyArtist, K::CheckBox, "Artist:", 7, 25, 60, 10},
            {ids::ApplyArtistText, K::Edit, "", 70, 23, 217, 14},
            {ids::ApplyCopyright, K::CheckBox, "Copyright:", 7, 41, 60, 10},
            {ids::ApplyCopyrightText, K::Edit, "", 70, 39, 217, 14},
            {ids::ApplyOnlyEmpty, K::CheckBox, "Only where the field is empty", 70, 57, 217, 10},
            {-1, K::Label,
             "Sets the ticked fields of every picture of the folder. A text may hold fields: {name} {stem} {stem:words} "
             "{folder} {n} {n:03} {date} {date:yyyy-MM-dd} {make} {model} {description} {artist} {copyright}; "
             "{{ and }} write braces. \"{description} (c) Ann\" appends to each description.",
             7, 72, 338, 40},
            {ids::Start, K::DefaultButton, "Apply", 295, 7, 50, 14},
            {ids::Cancel, K::Button, "Close", 295, 26, 50, 14},
            {ids::UndoBatch, K::Button, "&Undo Batch", 295, 45, 50, 14},
        },
    };
    return t;
}

const DialogTemplate &progressTemplate()
{
    static const DialogTemplate t{
        208,
        "",
        235,
        97,
        {
            {ids::ProgressText, K::CentredLabel, "", 8, 15, 217, 20},
            {ids::ProgressBar, K::Custom, "", 8, 48, 217, 16},
            {ids::Cancel, K::DefaultButton, "Cancel", 92, 76, 50, 14},
        },
    };
    return t;
}

const DialogTemplate &aboutTemplate()
{
    static const DialogTemplate t{
        100,
        "About Lumicap",
        250,
        121,
        {
            {-1, K::Icon, "", 14, 13, 20, 20},
            {ids::Ok, K::DefaultButton, "OK", 99, 100, 50, 14},
            {ids::VersionLine, K::CentredLabel, "Lumicap Version %d.%d.%d", 40, 11, 170, 8},
            {-1, K::CentredLabel, authorLine, 40, 22, 170, 8},
            {-1, K::EtchedFrame, "", 6, 6, 237, 87},
            {-1, K::CentredLabel, "To check for updates visit the web site:", 40, 67, 170, 8},
            {ids::Link, K::CentredLabel, productWebSite, 40, 78, 170, 8},
            {-1, K::CentredLabel, copyrightLine, 40, 33, 170, 8},
            {-1, K::CentredLabel, rightsLine, 40, 44, 170, 8},
            {-1, K::Icon, "", 220, 13, 20, 20},
        },
    };
    return t;
}

const DialogTemplate &helpTemplate()
{
    static const DialogTemplate t{
        130,
        "How to use Lumicap",
        261,
        156,
        {
            {ids::Ok, K::DefaultButton, "OK", 105, 135, 50, 14},
            {-1, K::Label, "1. Choose the folder with your images", 7, 7, 247, 14},
            {-1, K::Label, "2. Click on the \"Start\" button to start editing your images", 7, 22, 247, 14},
            {-1, K::Label, "3. Edit the description and other fields", 7, 37, 247, 14},
            {-1, K::Label, "4. Click on \"Save\" to save the changes", 7, 52, 247, 14},
            {-1, K::Label, "5. Use the buttons \"<<\" and \">>\" to navigate between images", 7, 67, 247, 14},
            {-1, K::Label, "Hint:", 7, 91, 30, 8},
            {-1, K::Label,
             "You can use the keys \"PageUp\", \"PageDown\" to navigate between images and \"Ctrl+S\" to save changes to the "
             "current image",
             7, 102, 247, 28},
        },
    };
    return t;
}

const DialogTemplate &missingImagingTemplate()
{
    static const DialogTemplate t{
        131,
        "Image Plugins Missing",
        175,
        103,
        {
            {ids::Ok, K::DefaultButton, "OK", 62, 82, 50, 14},
            {-1, K::CentredLabel, "Qt's JPEG or TIFF image plugin is missing !", 7, 7, 161, 8},
            {-1, K::CentredLabel,
             "Please install the Qt image format plugins (on Debian the package qt6-image-formats-plugins), or see the "
             "Lumicap web site:",
             7, 21, 161, 28},
            {ids::Link, K::CentredLabel, productWebSite, 7, 56, 161, 8},
        },
    };
    return t;
}

const DialogTemplate &warningTemplate()
{
    static const DialogTemplate t{
        133,
        "Warning",
        294,
        84,
        {
            {ids::Ok, K::DefaultButton, "OK", 237, 7, 50, 14},
            {-1, K::Label,
             "Lumicap writes the description, artist and copyright into your pictures without re-encoding them, and "
             "keeps all their other metadata.",
             7, 7, 210, 31},
            {-1, K::Label, "Still, make a backup copy of your pictures before changing many of them in a batch.", 7, 41, 205, 22},
            {ids::DontShow, K::CheckBox, "Don't show this window", 7, 67, 178, 10},
        },
    };
    return t;
}

} // namespace lumicap
