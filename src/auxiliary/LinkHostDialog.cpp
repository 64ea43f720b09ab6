#include "auxiliary/LinkHostDialog.h"

#include "auxiliary/CStaticLink.h"
#include "resources/ControlIds.h"
#include "widgets/DialogBuilder.h"
#include "resources/ProductInfo.h"
#include "resources/StringTable.h"
#include "widgets/ToolTipText.h"

namespace lumicap {

LinkHostDialog::LinkHostDialog(const DialogTemplate &t, QWidget *parent)
    : QDialog(parent)
{
    DialogBuilder(t).make(ids::Link, [this](QWidget *p) { return link_ = new CStaticLink(p); }).buildFixed(this);
    link_->setTarget(QString::fromUtf8(productWebSite));
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
