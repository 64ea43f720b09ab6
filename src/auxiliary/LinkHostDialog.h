#pragma once

#include <QDialog>

namespace lumicap {

class CStaticLink;
struct DialogTemplate;

// A dialog from a template whose control 1017 is the product's web link,
// with a tooltip that explains both mouse buttons once the dialog is up.
class LinkHostDialog : public QDialog
{
    Q_OBJECT

public:
    LinkHostDialog(const DialogTemplate &t, QWidget *parent);
    CStaticLink *link() const { return link_; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    CStaticLink *link_ = nullptr;
    bool shown_ = false;
};

} // namespace lumicap
