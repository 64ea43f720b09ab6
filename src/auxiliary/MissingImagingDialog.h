#pragma once

#include "auxiliary/LinkHostDialog.h"

namespace lumicap {

// Shown instead of the editor when the imaging parts are missing.
class MissingImagingDialog : public LinkHostDialog
{
    Q_OBJECT

public:
    explicit MissingImagingDialog(QWidget *parent = nullptr);
};

} // namespace lumicap
