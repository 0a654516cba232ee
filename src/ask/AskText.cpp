#include "AskText.h"

#include "Dates.h"
#include "EntityText.h"
#include "Json.h"
#include "Phrases.h"

#include <QHash>
#include <QUrl>

namespace vesk::AskText {

std::optional<qint64> sourceCount(const QJsonObject& item)
{
    return item.contains(u"sources") ? Json::count(item, u"sources") : 0;
}

QString sourcePhrase(const QJsonObject& item)
{
    const std::optional<qint64> n = sourceCount(item);
    const QString phrase = countPhrase(n, QStringLiteral("source"));
    if (n && Json::boolean(item, u"sources_truncated").value_or(false))
        return QStringLiteral("at least ") + phrase;
    return phrase;
}

std::optional<QString> evidenceWhen(const QJsonObject& item, const QDateTime& now)
{
    const std::optional<QDateTime> seen = Json::timestampMs(item, u"observed_at_ms");
    if (!seen)
        return std::nullopt;
    return Dates::ago(*seen, now);
}

QString failureTitle(const QString& code)
{
    static const QHash<QString, QString> titles{
        {QStringLiteral("quota_exceeded"), QStringLiteral("Answer limit reached")},
        {QStringLiteral("credential_missing"), QStringLiteral("Vesk Answers is not available yet")},
        {QStringLiteral("service_not_ready"), QStringLiteral("Vesk Answers is not available yet")},
        {QStringLiteral("credential_invalid"), QStringLiteral("Vesk answer access needs attention")},
        {QStringLiteral("access_expired"), QStringLiteral("Vesk answer access needs attention")},
        {QStringLiteral("upstream_timeout"), QStringLiteral("The model took too long")},
        {QStringLiteral("upstream_busy"), QStringLiteral("The model is busy")},
        {QStringLiteral("request_too_large"), QStringLiteral("That question needs too much context")},
        {QStringLiteral("answer_disabled"), QStringLiteral("Answers are turned off")},
        {QStringLiteral("setup_required"), QStringLiteral("Finish setup first")},
        {QStringLiteral("service_unreachable"), QStringLiteral("Could not reach the answer service")},
        {QStringLiteral("daemon_unreachable"), QStringLiteral("Could not reach the answer service")},
    };
    return titles.value(code, QStringLiteral("Could not answer"));
}

bool isServiceAccessCode(const QString& code)
{
    return code == u"credential_missing" || code == u"credential_invalid" || code == u"service_not_ready"
        || code == u"access_expired";
}

QString failureBody(const QString& code, const QString& message)
{
    if (isServiceAccessCode(code))
        return QStringLiteral("Answers are provided by Vesk. You do not need a model-provider account or API key. "
                              "Your local memory and search remain available.");
    return message;
}

std::optional<qint64> resetAt(const QJsonObject& failure)
{
    const std::optional<qint64> at = Json::numberAsInteger(failure, u"quota_reset_at");
    if (!at || *at < Json::earliestMs / 1000 || *at >= Json::latestMs / 1000)
        return std::nullopt;
    return at;
}

QString resetLine(qint64 resetAtSeconds)
{
    return QStringLiteral("This device can ask again after ")
        + Dates::mediumDateShortTime(QDateTime::fromSecsSinceEpoch(resetAtSeconds)) + QLatin1Char('.');
}

QString firstRunLead(const KeyChord& keys)
{
    return QStringLiteral("Press ") + keys.text()
        + QStringLiteral(" from any app to return here. Ask a question, then open a source to verify the answer "
                         "against the exact local evidence.");
}

Readiness readiness(const std::optional<QJsonObject>& status)
{
    if (!Json::isKind(status, u"status"))
        return {QStringLiteral("Vesk is not reachable yet. Your setup is saved; try again shortly."), std::nullopt};
    const qint64 frames = Json::numberAsInteger(*status, u"frames").value_or(0);
    const qint64 nodes = Json::numberAsInteger(*status, u"nodes").value_or(0);
    if (nodes > 0)
        return {QStringLiteral("Ready on this computer: ") + countPhrase(frames, QStringLiteral("screenshot"))
                    + QStringLiteral(" and ") + countPhrase(nodes, QStringLiteral("searchable memory item"))
                    + QLatin1Char('.'),
                true};
    return {QStringLiteral("Vesk is building local memory. ") + countPhrase(frames, QStringLiteral("screenshot"))
                + QStringLiteral(" captured; no searchable memory items are ready yet. Leave Vesk running and try "
                                 "again shortly."),
            false};
}

std::optional<EvidenceLines> evidenceLines(const QJsonObject& item, const QDateTime& now)
{
    // A whole number, never a truncated one; 0 is the agent conversation, not a frame.
    const std::optional<qint64> frame = Json::count(item, u"frame_id");
    if (!frame)
        return std::nullopt;
    EvidenceLines out;
    out.frameId = *frame;
    out.screen = *frame > 0;

    const QString app = Json::string(item, u"app_name").value_or(QString()).trimmed();
    if (!app.isEmpty())
        out.title = app;
    else
        out.title = out.screen ? QStringLiteral("Unknown application") : QStringLiteral("Agent conversation");

    if (auto url = Json::nonEmptyString(item, u"document_url"))
        out.detail = *url;
    else if (auto context = Json::nonEmptyString(item, u"context"))
        out.detail = *context;
    else
        out.detail = out.screen ? QStringLiteral("Window context unavailable")
                                : QStringLiteral("Conversation context unavailable");
    if (out.detail.startsWith(u"file://")) {
        const QUrl url(out.detail, QUrl::StrictMode);
        if (url.isValid())
            out.detail = url.path();
    }

    QStringList parts;
    if (auto when = evidenceWhen(item, now))
        parts << *when;
    parts << (out.screen ? QStringLiteral("screen evidence") : QStringLiteral("agent conversation"));
    parts << QStringLiteral("directly cited");
    out.meta = parts.join(separator);
    return out;
}

std::optional<EntityLines> entityLines(const QJsonObject& node, bool cited)
{
    const std::optional<QString> label = Json::string(node, u"label");
    const std::optional<qint64> id = Json::id(node, u"node_id");
    if (!label || !id)
        return std::nullopt;
    EntityLines out;
    out.id = *id;
    out.label = *label;
    out.kind = Json::string(node, u"node_type").value_or(QStringLiteral("?"));
    // Below 0: unavailable, as the entity page's subtitle reads it.
    out.sources = sourceCount(node).value_or(-1);
    const QString kind = EntityText::kindWord(out.kind);
    if (cited)
        out.meta = kind + separator + QStringLiteral("on ")
            + (out.sources >= 0 ? QString::number(out.sources) : QStringLiteral("an unknown number"))
            + QStringLiteral(" of the screens this answer used");
    else
        out.meta = kind + separator
            + (Json::boolean(node, u"matched_label").value_or(false) ? QStringLiteral("name")
                                                                     : QStringLiteral("seen alongside"))
            + separator + sourcePhrase(node);
    return out;
}

QList<EntityLines> searchRows(const QJsonObject& reply)
{
    QList<EntityLines> rows;
    for (const QJsonObject& node : Json::objects(reply, u"nodes").value_or(QList<QJsonObject>()))
        if (auto row = entityLines(node, false))
            rows << *row;
    return rows;
}

AnswerSources answerSources(const QJsonObject& reply, const QDateTime& now)
{
    AnswerSources out;
    for (const QJsonObject& item : Json::objects(reply, u"evidence").value_or(QList<QJsonObject>()))
        if (auto row = evidenceLines(item, now))
            out.items << *row;
    out.evidence = !out.items.isEmpty();
    if (out.evidence)
        return out;
    for (const QJsonObject& node : Json::objects(reply, u"sources").value_or(QList<QJsonObject>()))
        if (auto row = entityLines(node, true))
            out.entities << *row;
    return out;
}

QList<qint64> keptFrameIds(const QJsonObject& claim)
{
    QList<qint64> kept;
    for (const QJsonValue& element : claim.value(u"frame_ids").toArray()) {
        const std::optional<qint64> id = Json::integer(element);
        if (!id)
            return {}; // not an array of integers: the claim rests on no frame we can name
        if (*id >= 1)
            kept << *id;
    }
    return kept;
}

QList<QJsonObject> textClaims(const QJsonObject& reply)
{
    QList<QJsonObject> out;
    for (const QJsonObject& claim : Json::objects(reply, u"claims").value_or(QList<QJsonObject>()))
        if (Json::nonEmptyString(claim, u"text"))
            out << claim;
    return out;
}

std::optional<Digest> agentDigest(const QString& question, const QJsonObject& reply, const QSet<int>& correctedTags)
{
    const std::optional<QString> answer = Json::nonEmptyString(reply, u"answer");
    if (reply.isEmpty() || !answer)
        return std::nullopt;

    const QList<QJsonObject> claims = textClaims(reply);
    QList<QJsonObject> kept;
    int omitted = 0;
    for (int i = 0; i < claims.size(); ++i) {
        if (correctedTags.contains(i + 1))
            ++omitted;
        else
            kept << claims[i];
    }
    auto text = [](const QJsonObject& claim) { return Json::string(claim, u"text").value_or(QString()); };

    QString out = QStringLiteral("Question\n") + question + QStringLiteral("\n\nAnswer\n");
    if (omitted == 0) {
        out += *answer;
    } else {
        QStringList lines;
        for (const QJsonObject& claim : kept)
            lines << QStringLiteral("- ") + text(claim);
        out += QString::number(omitted)
            + QStringLiteral(" corrected claim(s) omitted. Ask Vesk again for an updated answer.\n")
            + lines.join(u'\n');
    }
    if (!claims.isEmpty()) {
        out += QStringLiteral("\n\nEvidence by claim");
        for (const QJsonObject& claim : kept) {
            out += QStringLiteral("\n- ") + text(claim) + QStringLiteral(" — ")
                + countPhrase(keptFrameIds(claim).size(), QStringLiteral("source"));
        }
    }
    const QList<QJsonObject> sources = Json::objects(reply, u"sources").value_or(QList<QJsonObject>());
    if (!sources.isEmpty()) {
        out += QStringLiteral("\n\nWhat this answer rests on");
        for (const QJsonObject& source : sources) {
            const std::optional<QString> label = Json::nonEmptyString(source, u"label");
            if (!label)
                continue;
            out += QStringLiteral("\n- ") + *label + QStringLiteral(" (")
                + Json::string(source, u"node_type").value_or(QStringLiteral("memory")) + QLatin1Char(')');
        }
    }
    return Digest{out, omitted};
}

} // namespace vesk::AskText
