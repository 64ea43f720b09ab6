#pragma once

#include "platform/OpenFile.h"

namespace lumicap::platform {

// Tells the system whether the reads of file that follow jump about it (a
// picture's structure read without its pixels), so that it reads nothing
// ahead of them, or go through it in order (the default). POSIX:
// posix_fadvise; Windows: nothing (its cache reads ahead only after reads in
// order).
void readScattered(const OpenFile &file, bool scattered);

} // namespace lumicap::platform
