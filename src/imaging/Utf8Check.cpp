#include "Utf8Check.h"

#include <QString>
#include <QStringDecoder>

namespace lumicap {

bool isUtf8(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes); // decode() only converts when assigned
    return !utf8.hasError();
}

} // namespace lumicap
