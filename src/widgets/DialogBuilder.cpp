#include "widgets/DialogBuilder.h"

#include "widgets/AppIcon.h"
#include "resources/ControlIds.h"
#include "widgets/DialogUnits.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

#include <algorithm>

namespace lumicap {

namespace {
QWidget *makeStandard(const ControlTemplate &c, QWidget *parent)
{
    const QString text = QString::fromUtf8(c.text);
    switch (c.kind) {
    case ControlKind::DefaultButton:
    case ControlKind::Button: {
        auto *button = new QPushButton(text, parent);
        button->setDefault(c.kind == ControlKind::DefaultButton);
        return button;
    }
    case ControlKind::Label:
    case ControlKind::CentredLabel: {
        auto *label = new QLabel(text, parent);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setAlignment((c.kind == ControlKind::CentredLabel ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
        return label;
    }
    case ControlKind::Edit: return new QLineEdit(text, parent);
    case ControlKind::CheckBox: return new QCheckBox(text, parent);
    case ControlKind::EtchedLine:
    case ControlKind::EtchedFrame: {
        auto *frame = new QFrame(parent);
        frame->setFrameStyle((c.kind == ControlKind::EtchedLine ? QFrame::HLine : QFrame::Box) | QFrame::Sunken);
        return frame;
    }
    case ControlKind::Icon: {
        auto *icon = new QLabel(parent);
        icon->setPixmap(appIcon().pixmap(32, 32));
        return icon;
    }
    case ControlKind::Custom: break;
    }
    return new QWidget(parent);
}
// Template texts were laid out for a narrow dialog font; a wider one can need
// a line more than the template gives, or a single word can be wider than its
// label, which wrapping cannot help. Such a label gets a slightly smaller font
// rather than losing its last line or its last letters.
int widestWord(const QLabel *label)
{
    const QFontMetrics metrics(label->font());
    int widest = 0;
    for (const QString &word : label->text().split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
        widest = std::max(widest, metrics.horizontalAdvance(word));
    return widest;
}

void fitText(QLabel *label)
{
    if (!label->wordWrap() || label->text().isEmpty())
        return;
    QFont font = label->font();
    const qreal smallest = font.pointSizeF() * 0.8;
    const auto overflows = [label] { return label->heightForWidth(label->width()) > label->height() || widestWord(label) > label->width(); };
    while (overflows() && font.pointSizeF() - 0.25 >= smallest) {
        font.setPointSizeF(font.pointSizeF() - 0.25);
        label->setFont(font);
    }
}
} // namespace

QHash<int, QWidget *> DialogBuilder::build(QDialog *dialog) const
{
    dialog->setWindowTitle(QString::fromUtf8(template_.title));
    dialog->setFont(DialogUnits::dialogFont());
    const DialogUnits units(dialog->font());
    dialog->resize(units.size(template_.width, template_.height));

    QHash<int, QWidget *> controls;
    for (const ControlTemplate &c : template_.controls) {
        const auto maker = makers_.constFind(c.id);
        QWidget *w = nullptr;
        if (maker != makers_.constEnd() && c.id >= 0) {
            w = (*maker)(dialog);
            // A window's own kind of label, edit or button still gets the
            // template's text.
            if (auto *label = qobject_cast<QLabel *>(w)) {
                label->setText(QString::fromUtf8(c.text));
                label->setWordWrap(true);
                label->setAlignment((c.kind == ControlKind::CentredLabel ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
            } else if (auto *edit = qobject_cast<QLineEdit *>(w)) {
                edit->setText(QString::fromUtf8(c.text));
            } else if (auto *button = qobject_cast<QAbstractButton *>(w)) {
                button->setText(QString::fromUtf8(c.text));
            }
        } else {
            w = makeStandard(c, dialog);
        }
        w->setGeometry(units.rect(c.x, c.y, c.width, c.height));
        if (auto *label = qobject_cast<QLabel *>(w))
            fitText(label);
        if (c.id >= 0) {
            w->setObjectName(QString::number(c.id));
            controls.insert(c.id, w);
        }
    }
    return controls;
}

QHash<int, QWidget *> DialogBuilder::buildFixed(QDialog *dialog) const
{
    const QHash<int, QWidget *> controls = build(dialog);
    dialog->setWindowIcon(appIcon());
    dialog->setFixedSize(dialog->size());
    if (auto *ok = qobject_cast<QAbstractButton *>(controls.value(ids::Ok)))
        QObject::connect(ok, &QAbstractButton::clicked, dialog, &QDialog::accept);
    return controls;
}

} // namespace lumicap
