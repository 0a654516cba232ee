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

QString cutInTheMiddle(const QString& text, qsizetype shown)
{
    const qsizetype half = shown / 2;
    return text.size() <= shown ? text : text.left(half) + QChar(0x2026) + text.right(half);
}

QString cutWithEllipsis(QString text, qsizetype shown)
{
    if (text.size() > shown) {
        text.truncate(text.at(shown - 1).isHighSurrogate() ? shown - 1 : shown);
        text.append(QChar(0x2026));
    }
    return text;
}

std::optional<QString> shownLabel(std::optional<QString> text)
{
    if (text)
        *text = cutWithEllipsis(std::move(*text), 2000);
    return text;
}

} // namespace vesk
