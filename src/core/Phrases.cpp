#include "Phrases.h"

namespace vesk {

QString countPhrase(qint64 n, const QString& noun)
{
    QString out = QString::number(n) + QLatin1Char(' ') + noun;
    if (n != 1)
        out += QLatin1Char('s');
    return out;
}

} // namespace vesk
