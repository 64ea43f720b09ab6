#include "LinkHostDialog.h"

#include "AppIcon.h"
#include "CStaticLink.h"
#include "ControlIds.h"
#include "DialogBuilder.h"
#include "ProductInfo.h"
#include "StringTable.h"
#include "ToolTipText.h"

#include <QAbstractButton>

namespace lumicap {

LinkHostDialog::LinkHostDialog(const DialogTemplate &t, QWidget *parent)
    : QDialog(parent)
{
    const auto controls = DialogBuilder(t).make(ids::Link, [this](QWidget *p) { return link_ = new CStaticLink(p); }).build(this);
    link_->setTarget(QString::fromUtf8(productWebSite));
    setWindowIcon(appIcon());
    setFixedSize(size());
    if (auto *ok = qobject_cast<QAbstractButton *>(controls.value(ids::Ok)))
        connect(ok, &QAbstractButton::clicked, this, &QDialog::accept);
}

void LinkHostDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    QMetaObject::invokeMethod(
        this, [this] { link_->setToolTip(wrappedToolTip(loadString(IDS_TIP_LINK))); }, Qt::QueuedConnection);
}

} // namespace lumicap
