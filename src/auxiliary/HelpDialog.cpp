#include "HelpDialog.h"

#include "DialogBuilder.h"
#include "DialogTemplates.h"

namespace lumicap {

HelpDialog::HelpDialog(QWidget *parent)
    : QDialog(parent)
{
    DialogBuilder(helpTemplate()).buildFixed(this);
}

} // namespace lumicap
