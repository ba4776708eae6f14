#include "support/long_values.h"

#include <QRandomGenerator>

namespace longvalues {

QByteArray someBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator random(seed);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char(i < 256 ? i : random.bounded(256));
    return bytes;
}

QString awkwardText(qsizetype length, bool loneBreaks)
{
    const QString piece = QStringLiteral("a\tb\r\nc%1 'single' \"double\" back\\slash \U0001F600 \u00E9\u00DF ")
                              .arg(loneBreaks ? QStringLiteral("\rd\ne") : QString());
    QString text;
    while (text.size() < length)
        text += piece;
    return text;
}

} // namespace longvalues
