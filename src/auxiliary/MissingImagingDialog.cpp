#include "MissingImagingDialog.h"

#include "DialogTemplates.h"

namespace lumicap {

MissingImagingDialog::MissingImagingDialog(QWidget *parent)
    : LinkHostDialog(missingImagingTemplate(), parent)
{
}

} // namespace lumicap
