#include "MemoryEditText.h"

#include "Json.h"
#include "Phrases.h"
#include "ReplyWords.h"
#include "SafeText.h"

#include <QStringList>

namespace vesk::MemoryEditText {

namespace {
QString number(qint64 n)
{
    return QString::number(n);
}
} // namespace

QString failureText(const Reply& reply)
{
    if (const auto said = reply.daemonMessage())
        return *said;
    if (reply)
        if (const auto message = Json::string(*reply, u"message"))
            return *message;
    return failureWords(reply, QStringLiteral("Vesk did not answer."));
}

QString withDaemonWords(const QString& ours, const Reply& reply)
{
    return withDaemonWords(ours, reply.daemonMessage());
}

QString withDaemonWords(const QString& ours, const std::optional<QString>& said)
{
    return said ? ours + QStringLiteral("\nVesk said: ") + SafeText::isolated(*said) : ours;
}

std::optional<ForgetPreview> forgetPreview(const std::optional<QJsonObject>& reply)
{
    if (!Json::isKind(reply, u"forget_entity_preview"))
        return std::nullopt;
    const auto count = [&](QStringView key) { return Json::numberAsInteger(*reply, key).value_or(0); };
    return ForgetPreview{count(u"frames"),
                         count(u"text_lines"),
                         count(u"messages"),
                         count(u"sightings"),
                         count(u"nodes_deleted"),
                         count(u"nodes_kept"),
                         count(u"kept_sightings_lost"),
                         count(u"bytes_freed")};
}

Words nothingToForget(const QString& label)
{
    return {QStringLiteral("There is nothing to forget about ") + label + QLatin1Char('.'),
            QStringLiteral("Vesk holds no frames, no conversation lines and no source records for it. If you expected "
                           "something here, it may already be gone.")};
}

Words forgetConfirmation(const ForgetPreview& p, const QString& label)
{
    QString text;
    if (p.frames > 0) {
        text += countPhrase(p.frames, QStringLiteral("frame")) + QStringLiteral(" of pixels\n");
        text += number(p.textLines) + QStringLiteral(" line(s) of text and their index\n");
    }
    if (p.messages > 0)
        text += countPhrase(p.messages, QStringLiteral("line"))
            + QStringLiteral(" of your agent conversations, and they stay forgotten when the history is read again\n");
    text += number(p.sightings) + QStringLiteral(" source record(s)\n");
    text += number(p.nodesDeleted) + QStringLiteral(" entit(ies) that nothing else saw\n");
    text += QString::asprintf("%.1f MB freed", static_cast<double>(p.bytesFreed) / 1'000'000.0);
    if (p.nodesKept > 0) {
        text += QStringLiteral("\n\n") + number(p.nodesKept)
            + QStringLiteral(" entit(ies) stay — something else saw them too.");
        if (p.keptSightingsLost > 0)
            text += QStringLiteral("\nThey lose ") + number(p.keptSightingsLost)
                + QStringLiteral(" source record(s) between them.");
    }
    text += QStringLiteral("\n\nThis cannot be undone.");
    return {QStringLiteral("Forget everything about ") + label + QLatin1Char('?'), text};
}

Verdict forgetVerdict(const std::optional<QJsonObject>& freshPreview, qint64 expected, const QString& label)
{
    const std::optional<qint64> left
        = freshPreview ? Json::numberAsInteger(*freshPreview, u"frames") : std::optional<qint64>();
    if (!left)
        return {true,
                {QStringLiteral("Vesk did not answer."),
                 QStringLiteral("The delete may or may not have run, and this could not find out. Re-open ") + label
                     + QStringLiteral(" to see what is left before trying anything else.")}};
    if (*left == 0)
        return {false,
                {QStringLiteral("Forgotten."),
                 QStringLiteral("Vesk took longer than the socket waits, so it could not confirm at the time — but ")
                     + label + QStringLiteral(" and its ") + number(expected)
                     + QStringLiteral(" frame(s) are gone. Checked just now.")}};
    if (*left >= expected)
        return {false,
                {QStringLiteral("Nothing was deleted."),
                 QStringLiteral("Vesk did not get to the request and nothing changed — ") + label
                     + QStringLiteral(" still has all ") + number(expected) + QStringLiteral(" frame(s).")}};
    return {true,
            {QStringLiteral("Partly done, and still going."),
             number(expected - *left) + QStringLiteral(" of ") + number(expected)
                 + QStringLiteral(" frame(s) are already gone and ") + number(*left)
                 + QStringLiteral(" remain. Deleting is one transaction per frame, so this is a real half-way state "
                                  "rather than a failed attempt. Re-open this entity in a moment to see where it got "
                                  "to.")}};
}

QString renameNote(const QJsonObject& renamed, const QString& label)
{
    const qint64 sources = Json::numberAsInteger(renamed, u"sources").value_or(0);
    const qint64 relations = Json::numberAsInteger(renamed, u"relations").value_or(0);
    QStringList parts;
    if (sources == 1)
        parts << QStringLiteral("1 memory");
    else
        parts << (Json::boolean(renamed, u"sources_truncated").value_or(false) ? QStringLiteral("at least ")
                                                                               : QString())
                + number(sources) + QStringLiteral(" memories");
    if (relations > 0)
        parts << countPhrase(relations, QStringLiteral("relation"));
    return parts.join(QStringLiteral(" and ")) + QStringLiteral(" now read “") + label
        + QStringLiteral("”. The old spelling still finds it.");
}

QString relationQuestion(const QString& sentence)
{
    return QLatin1Char('"') + sentence
        + QStringLiteral("\" goes. The frames stay, both entities stay, and the correction is remembered so extraction "
                         "does not propose it again within the hour.");
}

QString blockQuestion(const QString& bundleId)
{
    return QStringLiteral("New frames from ") + bundleId
        + QStringLiteral(" will not be captured, and its text will not reach the graph.\n\nWhat is already stored is "
                         "kept. You can remove it one entity at a time, from that entity's page.");
}

} // namespace vesk::MemoryEditText
