#include "widgets/FileFilter.h"

#include <QStringList>

namespace lumicap {

QString qtFileFilter(const QString &filter)
{
    const QStringList parts = filter.split('|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString label = parts[i].trimmed();
        if (label.isEmpty())
            break;
        QStringList patterns = parts[i + 1].split(';', Qt::SkipEmptyParts);
        for (QString &p : patterns) {
            p = p.trimmed();
            if (p == "*.*")
                p = "*";
        }
        // Qt reads the patterns from the parentheses; keep the label's words.
        QString shown = label;
        const qsizetype open = shown.lastIndexOf('(');
        if (open >= 0)
            shown = shown.left(open).trimmed();
        out.append(QString("%1 (%2)").arg(shown, patterns.join(' ')));
    }
    return out.join(";;");
}

} // namespace lumicap
