#include "auxiliary/AboutDialog.h"

#include "resources/ControlIds.h"
#include "resources/DialogTemplates.h"

#include <QLabel>

namespace lumicap {

AboutDialog::AboutDialog(QWidget *parent, std::optional<VersionBlock> version)
    : LinkHostDialog(aboutTemplate(), parent)
{
    // The template's text of the version line is its format.
    auto *line = findChild<QLabel *>(QString::number(ids::VersionLine));
    line->setText(formatVersionLine(line->text(), version));
}

} // namespace lumicap
