#include "DataText.h"

#include "Bytes.h"
#include "Dates.h"
#include "Json.h"
#include "Phrases.h"
#include "ReplyWords.h"
#include "SafeText.h"

#include <QStringList>
#include <tuple>

namespace vesk::DataText {

namespace {

// A position of a handoff row as a count.
std::optional<qint64> at(const QJsonArray& row, qsizetype i)
{
    return countOrZero(row.at(i));
}

std::optional<Handoff> handoffOf(const QJsonValue& v)
{
    const QJsonArray row = v.toArray();
    const auto id = Json::string(row.at(0));
    if (!id)
        return std::nullopt;
    return Handoff{*id,
                   Json::string(row.at(1)).value_or(QStringLiteral("unknown")),
                   Json::timestampMs(row.at(2)),
                   at(row, 4),
                   at(row, 5),
                   at(row, 6)};
}

// "22 frames" whatever the number, or "frames unavailable".
QString plainCount(std::optional<qint64> n, const QString& plural)
{
    return n ? QString::number(*n) + QLatin1Char(' ') + plural : plural + QStringLiteral(" unavailable");
}

} // namespace

std::optional<qint64> countOrZero(const QJsonValue& v)
{
    if (!v.isDouble())
        return 0;
    const auto n = Json::numberAsInteger(v);
    return n && *n >= 0 ? n : std::nullopt;
}

QString failureText(const Reply& reply)
{
    if (const auto said = reply.daemonMessage())
        return *said;
    if (reply)
        return Json::string(*reply, u"message").value_or(QStringLiteral("The daemon answered but did not confirm it."));
    return failureWords(reply, QStringLiteral("The daemon did not answer."));
}

QString failedRead(const QString& text, const Reply& reply)
{
    const auto said = reply.daemonMessage();
    return failedRead(text, said);
}

QString failedRead(const QString& text, const std::optional<QString>& said)
{
    return said ? text + QStringLiteral("\nThe daemon said: ") + SafeText::isolated(*said) : text;
}

QString notShown(qsizetype more, const QString& noun)
{
    return QString::number(more) + QStringLiteral(" more ") + noun
        + (more == 1 ? QStringLiteral(" is") : QStringLiteral("s are")) + QStringLiteral(" not shown.");
}

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

QString expirySentence(std::optional<qint64> expiredFrames, const QJsonValue& nextExpiryMs)
{
    if (!expiredFrames)
        return QStringLiteral("How many screenshot payloads are expired is unavailable.");
    if (*expiredFrames >= 1)
        return QString::number(*expiredFrames) + QStringLiteral(" screenshot payload")
            + (*expiredFrames == 1 ? QStringLiteral(" is") : QStringLiteral("s are")) + QStringLiteral(" expired now.");
    if (nextExpiryMs.isDouble()) {
        const auto at = Json::timestampMs(nextExpiryMs);
        return at
            ? QStringLiteral("The next screenshot pixels expire ") + Dates::mediumDateShortTime(*at) + QLatin1Char('.')
            : QStringLiteral("When the next screenshot pixels expire is unknown.");
    }
    return QStringLiteral("There are no stored screenshot pixels waiting to expire.");
}

Storage storage(const QJsonObject& status)
{
    Storage s;
    s.expiredFrames = countOrZero(status.value(u"expired_pixel_frames"));
    s.expiredBytes = countOrZero(status.value(u"expired_pixel_bytes"));
    const auto retention = countOrZero(status.value(u"retention_days"));
    s.storage = QStringLiteral("Screenshots  ") + pixelSize(Json::integer(status, u"pixel_bytes"))
        + QStringLiteral("\nDatabase     ") + databaseSize(Json::integer(status, u"db_bytes")) + QLatin1Char('\n')
        + plainCount(countOrZero(status.value(u"frames")), QStringLiteral("frames")) + QStringLiteral(", ")
        + plainCount(countOrZero(status.value(u"nodes")), QStringLiteral("entities"));
    s.retention = (retention ? QStringLiteral("Screenshot pixels are retained for ") + QString::number(*retention)
                           + QStringLiteral(" days. ")
                             : QStringLiteral("How long screenshot pixels are retained is unavailable. "))
        + expirySentence(s.expiredFrames, status.value(u"next_pixel_expiry_ms"));
    return s;
}

QString deleteQuestion(qint64 expiredFrames, std::optional<qint64> expiredBytes)
{
    const auto mb = Bytes::mebibytes(expiredBytes);
    return QString::number(expiredFrames) + QStringLiteral(" expired screenshot payload")
        + (expiredFrames == 1 ? QString() : QStringLiteral("s"))
        + (mb ? QString::asprintf(" (about %.1f MB)", *mb) : QStringLiteral(" (size unavailable)"))
        + QStringLiteral(" will be removed.\n\nFrame records, extracted text, provenance, entities, and memory will "
                         "remain.");
}

Outcome deletion(const Reply& reply)
{
    if (!Json::isKind(reply, u"expired_pixels_deleted"))
        return {false, QStringLiteral("Could not delete expired pixels."), failureText(reply)};
    const auto frames = countOrZero(reply->value(u"frames"));
    const auto freed = Bytes::mebibytes(countOrZero(reply->value(u"bytes_freed")));
    return {true,
            frames == 0 ? QStringLiteral("No expired pixels remained.") : QStringLiteral("Expired pixels deleted."),
            (frames ? countPhrase(*frames, QStringLiteral("screenshot payload")) + QStringLiteral(" removed")
                    : QStringLiteral("How many screenshot payloads were removed is unavailable"))
                + (freed ? QString::asprintf("; %.1f MB freed", *freed)
                         : QStringLiteral("; the space freed is unavailable"))
                + QStringLiteral(". Extracted text and memory were kept.")};
}

std::optional<QList<Handoff>> handoffs(const Reply& reply)
{
    return reply ? Json::list(*reply, u"deliveries", handoffOf) : std::nullopt;
}

Listed<Handoff> handoffList(const Reply& reply)
{
    return listed(handoffs(reply), shownHandoffs, reply);
}

Listed<AgentConnection> toolList(const Reply& reply)
{
    return listed(AgentConnection::read(reply), DataText::shownTools, reply);
}

QString deliveryLine(const Handoff& h)
{
    QString recipient = h.recipient;
    if (recipient == u"agent")
        recipient = QStringLiteral("an agent");
    else if (recipient == u"human")
        recipient = QStringLiteral("you");
    else
        recipient = cutWithEllipsis(recipient, shownName).simplified(); // the counts stay on the next line
    return (h.sent ? Dates::shortDateMediumTime(*h.sent) : QStringLiteral("Unknown time")) + QStringLiteral("  to ")
        + recipient + QLatin1Char('\n') + countPhrase(h.references, QStringLiteral("evidence reference"))
        + QStringLiteral(" · ") + countPhrase(h.tokens, QStringLiteral("token")) + separator
        + (h.leftOut ? QString::number(*h.leftOut) + QStringLiteral(" left out")
                     : QStringLiteral("what was left out is unavailable"));
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

QString packageDetail(const QJsonObject& p, qsizetype shown)
{
    QStringList lines;
    if (p.value(u"created_at_ms").isDouble()) {
        const auto built = Json::timestampMs(p, u"created_at_ms");
        lines << QStringLiteral("Built ") + (built ? Dates::mediumDateShortTime(*built) : QStringLiteral("unknown"));
    }

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
    const auto cost = countOrZero(p.value(u"token_cost"));
    lines << QStringLiteral("Cost     ")
            + (cost ? QString::number(*cost) + QStringLiteral(" tokens") : QStringLiteral("unavailable"));

    const QList<QJsonArray> omissions = Json::arrays(p, u"omissions").value_or(QList<QJsonArray>());
    if (!omissions.isEmpty()) {
        lines << QStringLiteral("Left out");
        for (const QJsonArray& o : omissions) {
            const auto reason = Json::string(o.at(0));
            if (!reason || !o.at(1).isDouble())
                continue;
            const auto count = countOrZero(o.at(1));
            lines << QStringLiteral("  ") + (count ? QString::number(*count) : QStringLiteral("unavailable"))
                    + QStringLiteral(" left out — ") + cutWithEllipsis(readableOmission(*reason), shown);
        }
    }
    const auto field = [&p, shown](QStringView key) {
        return cutWithEllipsis(Json::string(p, key).value_or(QStringLiteral("unknown")), shown);
    };
    lines << QStringLiteral("Policy   ") + field(u"policy_version");
    lines << QStringLiteral("ID       ") + field(u"package_id");
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
    return (c.name.isEmpty() ? QStringLiteral("?") : cutWithEllipsis(c.name, shownName)) + QStringLiteral("   ·   ")
        + status;
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
    const auto cited = countOrZero(reply->value(u"cited"));
    const qint64 dropped = countOrZero(reply->value(u"uncited_dropped")).value_or(0);
    QString meta = QStringLiteral("Written from ")
        + (cited ? countPhrase(*cited, QStringLiteral("thing")) : QStringLiteral("things"))
        + QStringLiteral(" Vesk already recognises, and nothing else. Forget any one of them and this paragraph goes "
                         "with it.");
    if (dropped >= 1)
        meta += QLatin1Char('\n') + QString::number(dropped) + QStringLiteral(" sentence")
            + (dropped == 1 ? QStringLiteral(" was") : QStringLiteral("s were"))
            + QStringLiteral(" thrown away for claiming something Vesk had never seen.");
    return {*body, meta, false};
}

} // namespace vesk::DataText
