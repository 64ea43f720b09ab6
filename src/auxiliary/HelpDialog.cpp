#include "auxiliary/HelpDialog.h"

#include "widgets/DialogBuilder.h"
#include "resources/DialogTemplates.h"

namespace lumicap {

HelpDialog::HelpDialog(QWidget *parent)
    : QDialog(parent)
{
    DialogBuilder(helpTemplate()).buildFixed(this);
}

} // namespace lumicap
