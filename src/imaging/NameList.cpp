#include "imaging/NameList.h"

namespace lumicap {

QByteArray joinedNames(const std::vector<QByteArray> &names)
{
    QByteArray out;
    for (const QByteArray &name : names)
        out += (&name == names.data() ? QByteArray() : QByteArray("; ")) + name;
    return out;
}

std::vector<QByteArray> splitNames(const QByteArray &text)
{
    std::vector<QByteArray> names;
    for (const QByteArray &part : text.split(';')) {
        if (!part.trimmed().isEmpty())
            names.push_back(part.trimmed());
    }
    if (!text.contains(';') || names.empty())
        return {text};
    return names;
}

} // namespace lumicap
