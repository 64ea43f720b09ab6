#include "widgets/PathPicker.h"

#include <QDir>
#include <QFileDialog>

namespace lumicap {

std::optional<QString> DesktopPathPicker::pickFolder(QWidget *parent, const QString &title, const QString &startFolder)
{
    const QString chosen = QFileDialog::getExistingDirectory(parent, title, startFolder);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

std::optional<QString> DesktopPathPicker::pickFile(QWidget *parent, const QString &title, const QString &startFolder, const QString &startFile,
                                                   const QString &qtFilter, bool showHidden)
{
    QFileDialog dialog(parent, title, startFolder, qtFilter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (showHidden) {
        // List files are often hidden; the portable dialog can show them.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setFilter(dialog.filter() | QDir::Hidden | QDir::System);
    }
    if (!startFile.isEmpty())
        dialog.selectFile(startFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

} // namespace lumicap
