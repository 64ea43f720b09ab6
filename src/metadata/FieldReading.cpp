#include "metadata/FieldReading.h"

#include "metadata/TextEncoding.h"

#include <algorithm>

namespace lumicap {

namespace {
int preference(const QByteArray &where)
{
    static const char *const order[] = {"XMP", "IPTC", "XPTitle", "XPSubject", "XPAuthor"};
    const auto found = std::find_if(std::begin(order), std::end(order), [&](const char *name) { return where == name; });
    return static_cast<int>(found - std::begin(order));
}
} // namespace

FieldReading readField(const QByteArray &exif, const std::vector<TextCopy> &copies)
{
    std::vector<TextCopy> ordered = copies;
    std::stable_sort(ordered.begin(), ordered.end(), [](const TextCopy &a, const TextCopy &b) { return preference(a.where) < preference(b.where); });
    FieldReading reading{exif, {}, {}};
    if (exif.isEmpty()) {
        const auto shown = std::find_if(ordered.begin(), ordered.end(), [](const TextCopy &c) { return !c.text.isEmpty(); });
        if (shown == ordered.end())
            return reading; // nothing anywhere: they agree
        reading = {shown->text, shown->where, {}};
    }
    // Exif bytes may be Windows-1252; the copies are Unicode: compared as shown.
    const QString text = displayText(reading.bytes);
    std::copy_if(ordered.begin(), ordered.end(), std::back_inserter(reading.differing),
                 [&](const TextCopy &c) { return QString::fromUtf8(c.text) != text; });
    return reading;
}

} // namespace lumicap
