#pragma once

#include "resources/DialogTemplates.h"

#include <QHash>

#include <functional>

class QDialog;
class QWidget;

namespace lumicap {

// Builds a dialog's controls from its template: each control is made, named
// by its number and placed in pixels converted from dialog units of the
// dialog font; creation order is the tab order. Controls of kind Custom, and
// any control the window wants to make itself, come from makers.
class DialogBuilder
{
public:
    using Maker = std::function<QWidget *(QWidget *parent)>;

    explicit DialogBuilder(const DialogTemplate &t)
        : template_(t)
    {}
    DialogBuilder &make(int id, Maker maker)
    {
        makers_.insert(id, std::move(maker));
        return *this;
    }

    // Returns the numbered controls by number.
    QHash<int, QWidget *> build(QDialog *dialog) const;
    // The same for a dialog of fixed size: it also gets the program's icon,
    // and its OK button (if any) accepts it.
    QHash<int, QWidget *> buildFixed(QDialog *dialog) const;

private:
    const DialogTemplate &template_;
    QHash<int, Maker> makers_;
};

} // namespace lumicap
