#include "auxiliary/WarningDialog.h"

#include "resources/ControlIds.h"
#include "widgets/DialogBuilder.h"
#include "resources/DialogTemplates.h"

#include <QCheckBox>

namespace lumicap {

WarningDialog::WarningDialog(QWidget *parent)
    : QDialog(parent)
{
    const auto controls = DialogBuilder(warningTemplate()).buildFixed(this); // OK runs accept() below
    box_ = qobject_cast<QCheckBox *>(controls.value(ids::DontShow));
    box_->setChecked(dontShow_ != 0);
}

void WarningDialog::accept()
{
    // Only OK takes the box's state; Escape and the close box leave it 0.
    dontShow_ = box_->isChecked() ? 1 : 0;
    QDialog::accept();
}

} // namespace lumicap
