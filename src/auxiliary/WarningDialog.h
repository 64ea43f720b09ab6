#pragma once

#include <QDialog>

class QCheckBox;

namespace lumicap {

// Warns that saving may lose other metadata, with "Don't show this window".
class WarningDialog : public QDialog
{
    Q_OBJECT

public:
    explicit WarningDialog(QWidget *parent = nullptr);

    // 1 when the box was ticked and the dialog closed with OK, else 0.
    int dontShow() const { return dontShow_; }

public Q_SLOTS:
    void accept() override;

private:
    QCheckBox *box_ = nullptr;
    int dontShow_ = 0;
};

} // namespace lumicap
