#include "HelpDialog.h"

#include "AppIcon.h"
#include "ControlIds.h"
#include "DialogBuilder.h"
#include "DialogTemplates.h"

#include <QAbstractButton>

namespace lumicap {

HelpDialog::HelpDialog(QWidget *parent)
    : QDialog(parent)
{
    const auto controls = DialogBuilder(helpTemplate()).build(this);
    setWindowIcon(appIcon());
    setFixedSize(size());
    connect(qobject_cast<QAbstractButton *>(controls.value(ids::Ok)), &QAbstractButton::clicked, this, &QDialog::accept);
}

} // namespace lumicap
