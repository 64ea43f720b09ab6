#pragma once

namespace lumicap {

// Control numbers of the dialog templates. Each control's object name is its
// number, which is how windows find their controls and how tests find them.
namespace ids {
constexpr int Ok = 1;
constexpr int Cancel = 2; // also "Exit" and "Close"

// Editor window (template 102)
constexpr int Folder = 1000;
constexpr int Start = 1001;
constexpr int Position = 1002;
constexpr int Previous = 1003;
constexpr int Next = 1004;
constexpr int Description = 1005;
constexpr int Save = 1006;
constexpr int Preview = 1007;
constexpr int FilePath = 1008;
constexpr int DescriptionLabel = 1009;
constexpr int AutoSel = 1010;
constexpr int Artist = 1011;
constexpr int Copyright = 1012;
constexpr int RemoveAllExif = 1013;
constexpr int ArtistLabel = 1014;
constexpr int CopyrightLabel = 1015;
constexpr int Help = 1016;
constexpr int Separator = 1017;
constexpr int About = 1018;
constexpr int AutoSave = 1019;
constexpr int NoLoadCopyR = 1020;
constexpr int Batch = 1021;
constexpr int AllCopies = 1022;
// The marks beside the three fields when their copies disagree.
constexpr int DescriptionNote = 1023;
constexpr int ArtistNote = 1024;
constexpr int CopyrightNote = 1025;
// The line under the preview: what the last step did.
constexpr int Status = 1026;
constexpr int Replace = 1027;
constexpr int ApplyToAll = 1028;

// Replace window (template 134); Start replaces, Cancel closes
constexpr int ReplaceFind = 1030;
constexpr int ReplaceWith = 1031;
constexpr int ReplaceRegex = 1032;
constexpr int ReplaceIgnoreCase = 1033;
constexpr int ReplaceInDescription = 1034;
constexpr int ReplaceInArtist = 1035;
constexpr int ReplaceInCopyright = 1036;
constexpr int ReplaceFindAll = 1037;
constexpr int ReplaceList = 1038;
constexpr int ReplaceCount = 1039;

// Apply to all window (template 135): a tick and a pattern per field
constexpr int ApplyDescription = 1040;
constexpr int ApplyDescriptionText = 1041;
constexpr int ApplyArtist = 1042;
constexpr int ApplyArtistText = 1043;
constexpr int ApplyCopyright = 1044;
constexpr int ApplyCopyrightText = 1045;
constexpr int ApplyOnlyEmpty = 1046;

// The batch, Replace and Apply to all windows: takes back their last run
constexpr int UndoBatch = 1047;

// Batch window (template 132)
constexpr int ListFile = 1000;
constexpr int BatchArtist = 1011;
constexpr int BatchCopyright = 1012;
constexpr int BatchRemoveAllExif = 1013;
constexpr int BatchAllCopies = 1022;

// Progress window (template 208)
constexpr int ProgressText = 1108;
constexpr int ProgressBar = 1109;

// About box (template 100), help and warning dialogs
constexpr int Link = 1017;
constexpr int VersionLine = 1019;
constexpr int DontShow = 1023;
} // namespace ids

} // namespace lumicap
