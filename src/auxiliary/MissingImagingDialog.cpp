#include "auxiliary/MissingImagingDialog.h"

#include "resources/DialogTemplates.h"

namespace lumicap {

MissingImagingDialog::MissingImagingDialog(QWidget *parent)
    : LinkHostDialog(missingImagingTemplate(), parent)
{}

} // namespace lumicap
