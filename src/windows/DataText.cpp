#include "DataText.h"

#include "Bytes.h"
#include "Dates.h"
#include "Json.h"
#include "Phrases.h"

#include <QStringList>
#include <tuple>

namespace vesk::DataText {

namespace {

QString failureMessage(const Reply& reply)
{
    if (const auto said = reply.daemonMessage())
        return *said;
    const auto message = reply ? Json::string(*reply, u"message") : std::nullopt;
    return message.value_or(QStringLiteral("The daemon did not answer."));
}

// A position of a handoff row read as an integer, 0 when it is not a number.
qint64 at(const QJsonArray& row, qsizetype i)
{
    return Json::numberAsInteger(row.at(i)).value_or(0);
}

} // namespace

QString pixelSize(std::optional<qint64> bytes)
{
    const auto mb = Bytes::mebibytes(bytes);
    return mb ? QString::asprintf("%.0f MB of 5120 MB", *mb) : QStringLiteral("unavailable");
}

QString databaseSize(std::optional<qint64> bytes)
{
    const auto mb = Bytes::mebibytes(bytes);
    return mb ? QString::asprintf("%.0f MB, uncapped", *mb) : QStringLiteral("unavailable");
}

QString expirySentence(qint64 expiredFrames, std::optional<qint64> nextExpiryMs)
{
    if (expiredFrames >= 1)
        return QString::number(expiredFrames) + QStringLiteral(" screenshot payload")
            + (expiredFrames == 1 ? QStringLiteral(" is") : QStringLiteral("s are")) + QStringLiteral(" expired now.");
    if (nextExpiryMs)
        return QStringLiteral("The next screenshot pixels expire ")
            + Dates::mediumDateShortTime(Dates::local(*nextExpiryMs)) + QLatin1Char('.');
    return QStringLiteral("There are no stored screenshot pixels waiting to expire.");
}

Storage storage(const QJsonObject& status)
{
    Storage s;
    s.expiredFrames = Json::numberAsInteger(status, u"expired_pixel_frames").value_or(0);
    s.expiredBytes = Json::int64(status, u"expired_pixel_bytes").value_or(0);
    s.storage = QStringLiteral("Screenshots  ") + pixelSize(Json::integer(status, u"pixel_bytes"))
        + QStringLiteral("\nDatabase     ") + databaseSize(Json::integer(status, u"db_bytes")) + QLatin1Char('\n')
        + QString::number(Json::integer(status, u"frames").value_or(0)) + QStringLiteral(" frames, ")
        + QString::number(Json::integer(status, u"nodes").value_or(0)) + QStringLiteral(" entities");
    s.retention = QStringLiteral("Screenshot pixels are retained for ")
        + QString::number(Json::numberAsInteger(status, u"retention_days").value_or(0)) + QStringLiteral(" days. ")
        + expirySentence(s.expiredFrames, Json::int64(status, u"next_pixel_expiry_ms"));
    return s;
}

QString deleteQuestion(qint64 expiredFrames, qint64 expiredBytes)
{
    return QString::asprintf("%lld expired screenshot payload%s (about %.1f MB) will be removed.\n\nFrame records, "
                             "extracted text, provenance, entities, and memory will remain.",
                             static_cast<long long>(expiredFrames), expiredFrames == 1 ? "" : "s",
                             Bytes::mebibytes(expiredBytes).value_or(0));
}

Outcome deletion(const Reply& reply)
{
    if (!Json::isKind(reply, u"expired_pixels_deleted"))
        return {false, QStringLiteral("Could not delete expired pixels."), failureMessage(reply)};
    const qint64 frames = Json::numberAsInteger(*reply, u"frames").value_or(0);
    const double freed = Bytes::mebibytes(Json::numberAsInteger(*reply, u"bytes_freed").value_or(0)).value_or(0);
    return {true,
            frames != 0 ? QStringLiteral("Expired pixels deleted.") : QStringLiteral("No expired pixels remained."),
            QString::asprintf("%lld screenshot payload%s removed; %.1f MB freed. Extracted text and memory were kept.",
                              static_cast<long long>(frames), frames == 1 ? "" : "s", freed)};
}

std::optional<QList<Handoff>> handoffs(const Reply& reply)
{
    const auto rows = reply ? Json::arrays(*reply, u"deliveries") : std::nullopt;
    if (!rows)
        return std::nullopt;
    QList<Handoff> out;
    for (const QJsonArray& row : *rows) {
        const auto id = Json::string(row.at(0));
        if (!id)
            continue;
        out.append(Handoff{*id, Json::string(row.at(1)).value_or(QStringLiteral("unknown")), at(row, 2), at(row, 4),
                           at(row, 5), at(row, 6)});
    }
    return out;
}

QString deliveryLine(const Handoff& h)
{
    QString recipient = h.recipient;
    if (recipient == u"agent")
        recipient = QStringLiteral("an agent");
    else if (recipient == u"human")
        recipient = QStringLiteral("you");
    return Dates::shortDateMediumTime(Dates::local(h.sentMs)) + QStringLiteral("  to ") + recipient + QLatin1Char('\n')
        + countPhrase(h.references, QStringLiteral("evidence reference")) + QStringLiteral(" · ")
        + countPhrase(h.tokens, QStringLiteral("token")) + separator + QString::number(h.leftOut)
        + QStringLiteral(" left out");
}

QString readableOmission(const QString& reason)
{
    if (reason == u"budget")
        return QStringLiteral("no room left in the message");
    if (reason == u"policy")
        return QStringLiteral("a rule said not to send it");
    if (reason == u"scope")
        return QStringLiteral("it belonged to different work");
    if (reason == u"stale")
        return QStringLiteral("newer evidence had replaced it");
    return reason;
}

QString packageDetail(const QJsonObject& p)
{
    QStringList lines;
    if (const auto built = Json::int64(p, u"created_at_ms"))
        lines << QStringLiteral("Built ") + Dates::mediumDateShortTime(Dates::local(*built));

    const auto length = [&p](QStringView key) { return p.value(key).toArray().size(); };
    QStringList counts;
    for (const auto& [key, one, many] :
         {std::tuple{u"node_ids", "entity", "entities"}, std::tuple{u"state_ids", "state", "states"},
          std::tuple{u"frame_ids", "screen", "screens"}, std::tuple{u"message_ids", "message", "messages"},
          std::tuple{u"sighting_ids", "sighting", "sightings"},
          std::tuple{u"contradiction_ids", "contradiction", "contradictions"}}) {
        if (const qsizetype n = length(key); n > 0)
            counts << countPhrase(n, QString::fromLatin1(one), QString::fromLatin1(many));
    }
    lines << QStringLiteral("Referenced  ") + (counts.isEmpty() ? QStringLiteral("nothing") : counts.join(u", "));
    if (const qsizetype changes = length(u"transition_ids"); changes > 0)
        lines << QStringLiteral("Delivered changes  ") + QString::number(changes);
    lines << QStringLiteral("Cost     ") + QString::number(Json::numberAsInteger(p, u"token_cost").value_or(0))
            + QStringLiteral(" tokens");

    const QList<QJsonArray> omissions = Json::arrays(p, u"omissions").value_or(QList<QJsonArray>());
    if (!omissions.isEmpty()) {
        lines << QStringLiteral("Left out");
        for (const QJsonArray& o : omissions) {
            const auto reason = Json::string(o.at(0));
            const auto count = Json::numberAsInteger(o.at(1));
            if (reason && count)
                lines << QStringLiteral("  ") + QString::number(*count) + QStringLiteral(" left out — ")
                        + readableOmission(*reason);
        }
    }
    lines << QStringLiteral("Policy   ") + Json::string(p, u"policy_version").value_or(QStringLiteral("unknown"));
    lines << QStringLiteral("ID       ") + Json::string(p, u"package_id").value_or(QStringLiteral("unknown"));
    return lines.join(QLatin1Char('\n'));
}

QString connectionLine(const AgentConnection& c)
{
    QString status = QStringLiteral("not installed");
    if (c.registered)
        status = QStringLiteral("connected");
    else if (c.detected)
        status = c.command.isEmpty() ? QStringLiteral("installed — Vesk does not speak to it yet")
                                     : QStringLiteral("installed, not connected");
    return (c.name.isEmpty() ? QStringLiteral("?") : c.name) + QStringLiteral("   ·   ") + status;
}

Profile profile(const Reply& reply)
{
    if (!reply)
        return {QStringLiteral("Vesk is not reachable, so it cannot show this."),
                QStringLiteral("This is a failed read, not an empty profile."), true};
    const auto body = Json::nonEmptyString(*reply, u"body");
    if (!body)
        return {QStringLiteral("Nothing yet. Vesk writes this from what it already recognises, a few times a day."),
                QString(), false};
    const qint64 cited = Json::integer(*reply, u"cited").value_or(0);
    const qint64 dropped = Json::integer(*reply, u"uncited_dropped").value_or(0);
    QString meta = QStringLiteral("Written from ") + countPhrase(cited, QStringLiteral("thing"))
        + QStringLiteral(" Vesk already recognises, and nothing else. Forget any one of them and this paragraph goes "
                         "with it.");
    if (dropped >= 1)
        meta += QLatin1Char('\n') + QString::number(dropped) + QStringLiteral(" sentence")
            + (dropped == 1 ? QStringLiteral(" was") : QStringLiteral("s were"))
            + QStringLiteral(" thrown away for claiming something Vesk had never seen.");
    return {*body, meta, false};
}

} // namespace vesk::DataText
