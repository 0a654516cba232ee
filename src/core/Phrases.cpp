#include "Phrases.h"

namespace vesk {

QString countPhrase(qint64 n, const QString& noun)
{
    return countPhrase(n, noun, noun + QLatin1Char('s'));
}

QString countPhrase(std::optional<qint64> n, const QString& noun)
{
    return n ? countPhrase(*n, noun) : noun + QStringLiteral("s unavailable");
}

QString countPhrase(qint64 n, const QString& one, const QString& many)
{
    return QString::number(n) + QLatin1Char(' ') + (n == 1 ? one : many);
}

} // namespace vesk
