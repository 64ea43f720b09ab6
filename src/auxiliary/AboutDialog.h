#pragma once

#include "auxiliary/LinkHostDialog.h"
#include "auxiliary/VersionBlock.h"

#include <optional>

namespace lumicap {

// The About box: the icon twice, the version line filled from the program's
// version, the notices and the web link.
class AboutDialog : public LinkHostDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget *parent = nullptr, std::optional<VersionBlock> version = VersionBlock::read());
};

} // namespace lumicap
