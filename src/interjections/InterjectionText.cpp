#include "InterjectionText.h"

#include "Phrases.h"

#include <QStringList>
#include <cmath>

namespace vesk::InterjectionText {

qint64 percent(double fraction)
{
    return std::llround(fraction * 100.0);
}

QString kindPhrase(const QString& kind)
{
    return kind == u"open_question" ? QStringLiteral("unresolved question") : kind;
}

QString cardKind(const QString& kind)
{
    if (kind == u"open_question")
        return QStringLiteral("Open question");
    if (kind == u"task" || kind == u"commitment")
        return QStringLiteral("Task");
    if (kind == u"decision")
        return QStringLiteral("Decision");
    if (kind == u"blocker")
        return QStringLiteral("Blocker");
    if (kind == u"outcome")
        return QStringLiteral("Outcome");
    return QStringLiteral("Memory");
}

QString quietHours(qint64 start, qint64 end)
{
    return QStringLiteral("Stayed quiet · quiet hours %1:00–%2:00")
        .arg(start, 2, 10, QLatin1Char('0'))
        .arg(end, 2, 10, QLatin1Char('0'));
}

QString muted(const QString& kind)
{
    return QStringLiteral("Stayed quiet · ") + kindPhrase(kind) + QStringLiteral(" is muted");
}

QString belowGate(double relevance, double gate)
{
    return QStringLiteral("Stayed quiet · %1 relevance was below the %2 gate")
        .arg(percent(relevance))
        .arg(percent(gate));
}

QString heldFor(const QString& reason)
{
    return QStringLiteral("Stayed quiet · ") + QString(reason).replace(QLatin1Char('_'), QLatin1Char(' '));
}

QString spokeSearch(double relevance, double gate)
{
    return QStringLiteral("Spoke · %1 relevance cleared the %2 gate").arg(percent(relevance)).arg(percent(gate));
}

QString spokeReopened(const QString& kind)
{
    return QStringLiteral("Spoke · a reopened ") + kindPhrase(kind) + QStringLiteral(" came back");
}

QString kicker(const QString& kind)
{
    return QStringLiteral("VESK · ") + cardKind(kind).toUpper();
}

QString relatedTo(const QString& context)
{
    return QStringLiteral("Related to ") + context;
}

QString evidence(const Candidate& candidate, bool semantic)
{
    if (semantic)
        return QStringLiteral("Review the evidence behind this reopened item.");
    return countPhrase(candidate.sources, QStringLiteral("source")) + QStringLiteral(" behind this ")
        + kindPhrase(candidate.kind) + QLatin1Char('.');
}

QString cardMetrics(std::optional<double> relevance, qint64 today, qint64 cap, qint64 shown, qint64 opened)
{
    QStringList parts{QStringLiteral("%1 of %2 today").arg(today).arg(cap)};
    if (relevance) {
        parts << QStringLiteral("%1% relevance").arg(percent(*relevance));
        parts << (shown < 1 ? QStringLiteral("No open history yet")
                            : QStringLiteral("%1% opened").arg(std::llround(double(opened) * 100.0 / double(shown))));
    }
    return parts.join(QStringLiteral(" · "));
}

} // namespace vesk::InterjectionText
