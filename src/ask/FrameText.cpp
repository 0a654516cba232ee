#include "FrameText.h"

#include "Dates.h"
#include "Json.h"
#include "Phrases.h"

#include <QStringList>

namespace vesk::FrameText {

QList<QRectF> highlights(const QList<QJsonObject>& lines, const QString& label, bool quoting)
{
    const QString whole = label.toLower();
    QList<QRectF> out;
    // An empty label would match every line and claim more than anything led here.
    if (whole.isEmpty())
        return out;
    const QStringList parts = whole.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    const QString last = parts.isEmpty() ? whole : parts.last();
    for (const QJsonObject& line : lines) {
        const auto x = Json::number(line, u"x");
        const auto y = Json::number(line, u"y");
        const auto w = Json::number(line, u"w");
        const auto h = Json::number(line, u"h");
        const auto text = Json::string(line, u"text");
        if (!x || !y || !w || !h || !text)
            continue;
        const QString lower = text->toLower();
        const QString quoted = lower.simplified();
        if (lower.contains(whole) || (last.size() >= 4 && lower.contains(last))
            || (quoting && quoted.size() >= 4 && whole.simplified().contains(quoted)))
            out.append(QRectF(*x, *y, *w, *h));
    }
    return out;
}

QString frameStatus(qsizetype marked, const std::optional<QString>& redaction, qint64 expiresMs)
{
    QString text = marked == 0 ? QStringLiteral("nothing on this frame matched by text")
                               : countPhrase(marked, QStringLiteral("matching line")) + QStringLiteral(" marked");
    if (redaction)
        text += QStringLiteral("   ·   pixels gone — ") + *redaction;
    else
        text += QStringLiteral("   ·   pixels kept until ") + Dates::monthDay(Dates::local(expiresMs));
    return text;
}

QString capturedLine(qint64 capturedMs)
{
    return QStringLiteral("captured ") + Dates::monthDayTime(Dates::local(capturedMs));
}

} // namespace vesk::FrameText
