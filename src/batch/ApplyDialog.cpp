#include "batch/ApplyDialog.h"

#include "resources/ControlIds.h"
#include "widgets/DialogBuilder.h"
#include "resources/DialogTemplates.h"
#include "batch/FieldPatterns.h"
#include "resources/StringTable.h"
#include "widgets/UserPrompt.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace lumicap {

namespace {
// Each field's tick and its text.
constexpr std::pair<int, int> fieldControls[] = {
    {ids::ApplyDescription, ids::ApplyDescriptionText},
    {ids::ApplyArtist, ids::ApplyArtistText},
    {ids::ApplyCopyright, ids::ApplyCopyrightText},
};
} // namespace

ApplyDialog::ApplyDialog(UserPrompt &prompt, std::vector<QByteArray> pictures, bool allCopies, QWidget *mainWindow)
    : PicturesRunWindow(prompt, std::move(pictures), allCopies, mainWindow)
{
    setControls(DialogBuilder(applyTemplate()).buildFixed(this));
    for (const auto &[tick, text] : fieldControls) {
        auto *edit = qobject_cast<QLineEdit *>(control(text));
        connect(edit, &QLineEdit::textEdited, qobject_cast<QCheckBox *>(control(tick)),
                [box = control(tick)] { qobject_cast<QCheckBox *>(box)->setChecked(true); });
    }
    connect(qobject_cast<QPushButton *>(control(ids::Start)), &QPushButton::clicked, this, &ApplyDialog::apply);
}

void ApplyDialog::apply()
{
    if (pictures_.empty()) {
        prompt_.showMessage(loadString(IDS_APPLY_NO_PICTURES));
        return;
    }
    std::array<std::optional<QByteArray>, 3> texts;
    for (std::size_t k = 0; k < texts.size(); ++k) {
        if (qobject_cast<QCheckBox *>(control(fieldControls[k].first))->isChecked())
            texts[k] = qobject_cast<QLineEdit *>(control(fieldControls[k].second))->text().toUtf8();
    }
    QString error;
    const auto patterns = FieldPatterns::make(texts, qobject_cast<QCheckBox *>(control(ids::ApplyOnlyEmpty))->isChecked(), error);
    if (!patterns) {
        prompt_.showMessage(error);
        return;
    }
    run(pictures_, [&patterns](const PatternSubject &subject) { return patterns->editFor(subject); });
}

} // namespace lumicap
