#include "InboxText.h"

#include "AskText.h"
#include "Dates.h"
#include "Json.h"
#include "Phrases.h"

#include <QStringList>
#include <algorithm>
#include <map>

namespace vesk::InboxText {

std::optional<Proposal> proposal(const QJsonObject& item)
{
    const auto id = Json::id(item, u"id");
    const auto aId = Json::id(item, u"a_id");
    const auto bId = Json::id(item, u"b_id");
    const auto a = shownLabel(Json::string(item, u"a_label"));
    const auto b = shownLabel(Json::string(item, u"b_label"));
    if (!id || !aId || !bId || !a || !b)
        return std::nullopt;
    return Proposal{*id,
                    *aId,
                    *a,
                    Json::count(item, u"a_sources"),
                    *bId,
                    *b,
                    Json::count(item, u"b_sources"),
                    Json::string(item, u"method")};
}

QList<Proposal> proposals(const QJsonObject& reply, const std::optional<QString>& naming)
{
    QList<Proposal> out;
    for (const QJsonObject& item : Json::objects(reply, u"proposals").value_or(QList<QJsonObject>()))
        if (auto p = proposal(item); p && (!naming || p->a == *naming || p->b == *naming))
            out << *p;
    return out;
}

QString waitingStatus(qsizetype total, qsizetype shown)
{
    if (total == 0)
        return QStringLiteral("Nothing is waiting. This screen does not need you often — it only fills up when Vesk is "
                              "unsure about something it read.");
    QString text = countPhrase(total, QStringLiteral("guess"), QStringLiteral("guesses"))
        + QStringLiteral(" the engine cannot settle on its own. None of them affects an answer until you choose.");
    if (total > shown)
        text += QStringLiteral("  Showing the first ") + QString::number(shown) + QLatin1Char('.');
    return text;
}

QString waitingFooter(qsizetype total, qsizetype shown)
{
    if (total <= shown)
        return QStringLiteral("Clear these ") + QString::number(total) + QStringLiteral(" and you can close this.");
    return QString::number(total - shown)
        + QStringLiteral(" more are waiting. The queue is growing faster than it can be cleared — Vesk writes a new "
                         "entity when it reads the same path at a different scroll position.");
}

QString methodLine(const std::optional<QString>& method)
{
    if (!method)
        return QStringLiteral("Vesk did not say how it found this");
    if (*method == u"embedding")
        return QStringLiteral("a model thought these two names look alike");
    if (*method == u"alias")
        return QStringLiteral("these two share a spelling Vesk has seen recorded");
    return QStringLiteral("found by ") + *method;
}

namespace {

bool worthShowing(const QString& kind)
{
    static const QStringList foreground{
        QStringLiteral("person"), QStringLiteral("org"),      QStringLiteral("project"),      QStringLiteral("repo"),
        QStringLiteral("task"),   QStringLiteral("decision"), QStringLiteral("open_question")};
    return foreground.contains(kind);
}

int kindRank(const QString& kind)
{
    static const QStringList order{
        QStringLiteral("person"), QStringLiteral("org"),  QStringLiteral("project"),  QStringLiteral("repo"),
        QStringLiteral("app"),    QStringLiteral("task"), QStringLiteral("decision"), QStringLiteral("open_question"),
        QStringLiteral("issue"),  QStringLiteral("file"), QStringLiteral("url"),      QStringLiteral("topic")};
    const qsizetype at = order.indexOf(kind);
    return at < 0 ? static_cast<int>(order.size()) : static_cast<int>(at);
}

QString heading(const QString& kind, qsizetype n)
{
    QString name;
    if (kind == u"person")
        name = n == 1 ? QStringLiteral("person") : QStringLiteral("people");
    else if (kind == u"open_question")
        name = QStringLiteral("still open");
    else if (kind == u"repo")
        name = n == 1 ? QStringLiteral("repository") : QStringLiteral("repositories");
    else if (kind == u"task")
        name = n == 1 ? QStringLiteral("open task") : QStringLiteral("open tasks");
    else
        name = n == 1 ? kind : kind + QLatin1Char('s');
    return (name + separator + QString::number(n)).toUpper();
}

QString recognisedMeta(const QJsonObject& node, const QDateTime& now)
{
    QStringList parts;
    const qint64 aliases = Json::numberAsInteger(node, u"aliases").value_or(0);
    if (aliases > 0)
        parts << QStringLiteral("+") + countPhrase(aliases, QStringLiteral("other spelling"));
    parts << AskText::sourcePhrase(node);
    if (const auto seen = lastSeen(node, now))
        parts << *seen;
    return parts.join(separator);
}

} // namespace

RecognisedItems recognised(const QJsonObject& reply, const QDateTime& now)
{
    QList<QJsonObject> nodes;
    std::optional<double> most;
    for (const QJsonObject& node : Json::objects(reply, u"nodes").value_or(QList<QJsonObject>())) {
        if (!Json::string(node, u"label") || !Json::id(node, u"node_id"))
            continue;
        nodes << node;
        if (const auto score = Json::number(node, u"score"))
            most = most ? std::max(*most, *score) : *score;
    }
    const double scale = std::max(most.value_or(1.0), 0.0001);

    // Ordered by the fixed rank, then by name for the kinds outside the list.
    std::map<std::pair<int, QString>, QList<Recognised>> byKind;
    for (const QJsonObject& node : nodes) {
        const QString kind = Json::string(node, u"node_type").value_or(QStringLiteral("?"));
        if (!worthShowing(kind))
            continue;
        byKind[{kindRank(kind), kind}].append(
            Recognised{*Json::id(node, u"node_id"), *shownLabel(Json::string(node, u"label")), kind,
                       AskText::sourceCount(node).value_or(-1), recognisedMeta(node, now),
                       std::clamp(Json::number(node, u"score").value_or(0) / scale, 0.02, 1.0)});
    }
    RecognisedItems out{!nodes.isEmpty(), {}};
    for (auto& [key, items] : byKind)
        out.groups.append(KindGroup{heading(key.second, items.size()), items});
    return out;
}

std::optional<QString> lastSeen(const QJsonObject& node, const QDateTime& now)
{
    const std::optional<QDateTime> seen = Json::timestampMs(node, u"last_seen_ms");
    if (!seen)
        return std::nullopt;
    return Dates::daysAgo(*seen, now);
}

} // namespace vesk::InboxText
