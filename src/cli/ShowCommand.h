#pragma once

#include "cli/CommandLine.h"
#include "cli/PictureFinder.h"

#include <vector>

namespace lumicap {

// lumicap-tags show: the three tags of each picture as text (one block per
// picture, control characters escaped), a JSON array (an absent tag is
// null), ExifTool-style CSV, or DESCRIPT.ION lines that batch reads back.
// With allCopies, text and JSON also list the other copies of each field
// (XMP, IPTC, Windows' tags). 0 when every picture was read, else 1.
int runShow(const std::vector<Picture> &pictures, ShowFormat format, bool allCopies = false);

} // namespace lumicap
