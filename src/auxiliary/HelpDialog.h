#pragma once

#include <QDialog>

namespace lumicap {

// How to use the editor, and its keys.
class HelpDialog : public QDialog
{
    Q_OBJECT

public:
    explicit HelpDialog(QWidget *parent = nullptr);
};

} // namespace lumicap
