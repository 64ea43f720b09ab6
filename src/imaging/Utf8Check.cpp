#include "imaging/Utf8Check.h"

#include <QStringDecoder>

namespace lumicap {

namespace {
// Windows-1252 for 0x80..0x9F; from 0xA0 on it is Latin-1.
constexpr char16_t cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
} // namespace

bool isUtf8(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes); // decode() only converts when assigned
    return !utf8.hasError();
}

QString fromWindows1252(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        text.append(QChar(b >= 0x80 && b < 0xA0 ? cp1252High[b - 0x80] : char16_t(b)));
    }
    return text;
}

QByteArray asUtf8(const QByteArray &bytes)
{
    return isUtf8(bytes) ? bytes : fromWindows1252(bytes).toUtf8();
}

} // namespace lumicap
