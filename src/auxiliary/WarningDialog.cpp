#include "WarningDialog.h"

#include "AppIcon.h"
#include "ControlIds.h"
#include "DialogBuilder.h"
#include "DialogTemplates.h"

#include <QCheckBox>
#include <QPushButton>

namespace lumicap {

WarningDialog::WarningDialog(QWidget *parent)
    : QDialog(parent)
{
    const auto controls = DialogBuilder(warningTemplate()).build(this);
    setWindowIcon(appIcon());
    setFixedSize(size());
    box_ = qobject_cast<QCheckBox *>(controls.value(ids::DontShow));
    box_->setChecked(dontShow_ != 0);
    connect(qobject_cast<QPushButton *>(controls.value(ids::Ok)), &QPushButton::clicked, this, &WarningDialog::accept);
}

void WarningDialog::accept()
{
    // Only OK takes the box's state; Escape and the close box leave it 0.
    dontShow_ = box_->isChecked() ? 1 : 0;
    QDialog::accept();
}

} // namespace lumicap
