#include "InterjectionText.h"

#include "Dates.h"
#include "Decision.h"
#include "Json.h"
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

namespace {
// Kind phrases, sorted and joined, or "none".
QString kinds(const QSet<QString>& set)
{
    QStringList phrases;
    for (const QString& kind : set)
        phrases << kindPhrase(kind);
    phrases.sort();
    return phrases.isEmpty() ? QStringLiteral("none") : phrases.join(QStringLiteral(", "));
}
} // namespace

QString quietHours(qint64 start, qint64 end)
{
    return QStringLiteral("Stayed quiet · quiet hours ") + Dates::hourSpan(start, end);
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

QString digestProgress(qsizetype index, qsizetype count)
{
    return QStringLiteral("%1 of %2 held back this week").arg(index + 1).arg(count);
}

QString digestEvidence(const Candidate& item)
{
    // A value the daemon gave that could not be read stands below zero (Signals::read).
    const auto sources = item.sources < 0 ? std::nullopt : std::make_optional(item.sources);
    QString text = cardKind(item.kind) + QStringLiteral(" · ") + countPhrase(sources, QStringLiteral("source"))
        + (item.confidence < 0 ? QStringLiteral(" · relevance unknown")
                               : QStringLiteral(" · %1% relevance").arg(percent(item.confidence)));
    if (!item.context.isEmpty())
        text += QLatin1Char('\n') + relatedTo(item.context);
    return text;
}

QString settingsSummary(const Signals& learned, qint64 dailyCap)
{
    // More opened than shown is no rate.
    const auto rate = Json::percentOf(learned.openedTotal, learned.shownTotal);
    const QString opened = learned.shownTotal < 1 ? QStringLiteral("new")
        : rate                                    ? QStringLiteral("%1%").arg(*rate)
                                                  : QStringLiteral("unknown");
    return QStringLiteral("%1 of %2 shown today  ·  %3 opened  ·  %4% base gate")
        .arg(learned.shownToday)
        .arg(dailyCap)
        .arg(opened)
        .arg(percent(Decision::baseGate(learned)));
}

QString settingsPreferences(const Signals& learned, int cooldowns)
{
    return QStringLiteral("Muted kinds · ") + kinds(learned.muted) + QStringLiteral("\nEncouraged kinds · ")
        + kinds(learned.encouraged) + QStringLiteral("\nHeld for review · ") + QString::number(learned.heldBack.size())
        + QStringLiteral("  ·  Cooldowns · ") + QString::number(cooldowns) + QLatin1Char('\n');
}

QString quietHoursTitle(qint64 start, qint64 end)
{
    return QStringLiteral("Quiet hours · ") + Dates::hourSpan(start, end) + QStringLiteral(" (local time)");
}

QString dailyLimitChoice(qint64 limit)
{
    return QString::number(limit) + QStringLiteral(" reminders");
}

QString retryChoice(qint64 minutes)
{
    return QString::number(minutes) + QStringLiteral(" minutes");
}

} // namespace vesk::InterjectionText
