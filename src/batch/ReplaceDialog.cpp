#include "batch/ReplaceDialog.h"

#include "resources/ControlIds.h"
#include "widgets/DialogBuilder.h"
#include "resources/DialogTemplates.h"
#include "resources/StringTable.h"
#include "metadata/TextEncoding.h"
#include "widgets/UserPrompt.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace lumicap {

namespace {
enum Column { PictureColumn, FieldColumn, BeforeColumn, AfterColumn };

// The text with its spans in bold on a light background, as rich text.
QString markedText(const QString &text, const TextSpans &spans, const char *colour)
{
    QString html;
    qsizetype done = 0;
    for (const auto &[at, length] : spans) {
        html += text.mid(done, at - done).toHtmlEscaped();
        html += QStringLiteral("<b style=\"background:%1\">%2</b>").arg(QLatin1String(colour), text.mid(at, length).toHtmlEscaped());
        done = at + length;
    }
    return html + text.mid(done).toHtmlEscaped();
}

QCheckBox *tickBox(QWidget *control)
{
    return qobject_cast<QCheckBox *>(control);
}
} // namespace

ReplaceDialog::ReplaceDialog(UserPrompt &prompt, std::vector<QByteArray> pictures, bool allCopies, QWidget *mainWindow)
    : PicturesRunWindow(prompt, std::move(pictures), allCopies, mainWindow)
{
    setControls(DialogBuilder(replaceTemplate())
                    .make(ids::ReplaceList, [this](QWidget *parent) { return list_ = new QTreeWidget(parent); })
                    .buildFixed(this));
    list_->setRootIsDecorated(false);
    list_->setHeaderLabels(
        {loadString(IDS_REPLACE_PICTURE), loadString(IDS_REPLACE_FIELD), loadString(IDS_REPLACE_BEFORE), loadString(IDS_REPLACE_AFTER)});
    for (const int id : {ids::ReplaceInDescription, ids::ReplaceInArtist, ids::ReplaceInCopyright})
        tickBox(control(id))->setChecked(true);
    control(ids::Start)->setEnabled(false);
    connect(qobject_cast<QPushButton *>(control(ids::ReplaceFindAll)), &QPushButton::clicked, this, &ReplaceDialog::findChanges);
    connect(qobject_cast<QPushButton *>(control(ids::Start)), &QPushButton::clicked, this, &ReplaceDialog::replaceTicked);
}

ReplaceDialog::~ReplaceDialog() = default;

std::optional<FindReplace> ReplaceDialog::request()
{
    ReplaceRequest request;
    request.find = qobject_cast<QLineEdit *>(control(ids::ReplaceFind))->text();
    request.replacement = qobject_cast<QLineEdit *>(control(ids::ReplaceWith))->text();
    request.regex = tickBox(control(ids::ReplaceRegex))->isChecked();
    request.ignoreCase = tickBox(control(ids::ReplaceIgnoreCase))->isChecked();
    request.fields = {tickBox(control(ids::ReplaceInDescription))->isChecked(), tickBox(control(ids::ReplaceInArtist))->isChecked(),
                      tickBox(control(ids::ReplaceInCopyright))->isChecked()};
    QString error;
    auto made = FindReplace::make(request, error);
    if (!made)
        prompt_.showMessage(error);
    return made;
}

void ReplaceDialog::findChanges()
{
    found_ = request();
    if (!found_)
        return;
    {
        WaitCursor wait(prompt_);
        changes_ = found_->changesIn(pictures_);
    }
    showChanges();
    if (changes_.empty())
        prompt_.showInformation(loadString(IDS_REPLACE_NOTHING));
}

void ReplaceDialog::showChanges()
{
    list_->clear();
    int pictures = 0;
    QByteArray last;
    for (const TextChange &change : changes_) {
        auto *item = new QTreeWidgetItem(list_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(PictureColumn, Qt::Checked);
        item->setText(PictureColumn, displayPath(change.path));
        item->setText(FieldColumn, fieldName(change.field));
        const auto shown = [this, item](int column, const QString &html) {
            auto *label = new QLabel(html);
            label->setTextFormat(Qt::RichText);
            list_->setItemWidget(item, column, label);
        };
        shown(BeforeColumn, markedText(displayText(change.before), change.found, "#ffd0d0"));
        shown(AfterColumn, markedText(displayText(change.after), change.replaced, "#c8f0c8"));
        pictures += change.path != last;
        last = change.path;
    }
    list_->header()->resizeSections(QHeaderView::ResizeToContents);
    qobject_cast<QLabel *>(control(ids::ReplaceCount))
        ->setText(changes_.empty() ? QString() : formatString(IDS_REPLACE_COUNT, static_cast<int>(changes_.size()), pictures));
    control(ids::Start)->setEnabled(!changes_.empty());
}

void ReplaceDialog::replaceTicked()
{
    if (!found_ || changes_.empty())
        return;
    std::vector<TextChange> ticked;
    std::vector<QByteArray> pictures;
    for (int row = 0; row < list_->topLevelItemCount(); ++row) {
        if (list_->topLevelItem(row)->checkState(PictureColumn) != Qt::Checked)
            continue;
        const TextChange &change = changes_[static_cast<std::size_t>(row)];
        if (pictures.empty() || pictures.back() != change.path)
            pictures.push_back(change.path);
        ticked.push_back(change);
    }
    if (ticked.empty())
        return;
    control(ids::Start)->setEnabled(false);
    run(pictures, found_->editFor(ticked));
    changes_.clear();
    showChanges();
}

} // namespace lumicap
