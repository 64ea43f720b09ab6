#pragma once

#include <QString>
#include <QStringList>

namespace lumicap {

// What the editor's logic needs of its window, by control number.
class EditorView
{
public:
    virtual ~EditorView() = default;
    virtual QString text(int id) const = 0;
    // Setting a field's text notifies a change, as typing does.
    virtual void setText(int id, const QString &text) = 0;
    virtual bool isChecked(int id) const = 0;
    virtual void setChecked(int id, bool checked) = 0;
    virtual void setEnabled(int id, bool enabled) = 0;
    virtual void setVisible(int id, bool visible) = 0;
    // A plain-text tooltip; empty removes it.
    virtual void setToolTip(int id, const QString &text) = 0;
    virtual void focus(int id, bool selectAll) = 0;
    virtual void repaintPreview() = 0;
    // The most UTF-8 bytes typing or pasting may put into a field.
    virtual void setByteLimit(int id, qsizetype bytes) = 0;
    // The texts a field offers as the person types.
    virtual void setCompletions(int id, const QStringList &texts) = 0;
};

} // namespace lumicap
