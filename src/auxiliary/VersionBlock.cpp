#include "auxiliary/VersionBlock.h"

namespace lumicap {

std::optional<VersionBlock> VersionBlock::read()
{
#if defined(LUMICAP_VERSION_MAJOR) && defined(LUMICAP_VERSION_MINOR) && defined(LUMICAP_VERSION_PATCH)
    VersionBlock v;
    v.parts = {LUMICAP_VERSION_MAJOR + 0, LUMICAP_VERSION_MINOR + 0, LUMICAP_VERSION_PATCH + 0, LUMICAP_VERSION_TWEAK + 0};
    return v;
#else
    return std::nullopt;
#endif
}

QString formatVersionLine(const QString &format, const std::optional<VersionBlock> &version)
{
    QString out;
    int next = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 'd') {
            const int value = version && next < 3 ? version->parts[static_cast<std::size_t>(next)] : 0;
            ++next;
            out += QString::number(value);
            ++i;
        } else if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == '%') {
            out += '%';
            ++i;
        } else {
            out += format[i];
        }
    }
    return out;
}

} // namespace lumicap
