#include "CorrectionText.h"

#include "Json.h"
#include "Phrases.h"

#include <algorithm>

namespace vesk::CorrectionText {

namespace {

// Distinct ids of 1 or more, ascending, the first shownLinks of them; an absent list is empty,
// one that cannot be read is nothing.
std::optional<Links> linkIds(const QJsonObject& reply, QStringView key)
{
    if (!reply.contains(key))
        return Links{};
    const std::optional<QList<qint64>> read = Json::list<qint64>(reply, key, Json::integer);
    if (!read)
        return std::nullopt;
    QList<qint64> ids;
    ids.reserve(read->size());
    for (qint64 id : *read)
        if (id > 0)
            ids << id;
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    Links out;
    out.more = std::max<qsizetype>(ids.size() - shownLinks, 0);
    ids.resize(std::min(ids.size(), shownLinks));
    out.ids = std::move(ids);
    return out;
}

// A count of the receipt: 0 when absent, nothing when the daemon gave one that is no count.
std::optional<qint64> receiptCount(const QJsonObject& reply, QStringView key)
{
    return reply.contains(key) ? Json::count(reply, key) : 0;
}

bool isReceipt(const std::optional<QJsonObject>& reply)
{
    return Json::isKind(reply, u"claim_corrected");
}

} // namespace

QList<Interpretation> interpretations(const QJsonObject& claim)
{
    const QJsonValue alternatives = claim.value(u"alternatives");
    if (!alternatives.isArray() || alternatives.toArray().size() != 2)
        return {};
    QList<Interpretation> out;
    for (const QJsonValue& v : alternatives.toArray()) {
        const QJsonObject o = v.toObject();
        const auto text = Json::nonEmptyString(o, u"text");
        const auto quote = Json::nonEmptyString(o, u"quote");
        const auto frame = Json::integer(o, u"frame_id");
        if (v.isObject() && text && quote && frame && *frame >= 1)
            out << Interpretation{*text, *quote, *frame};
    }
    if (out.size() != 2 || out[0].text == out[1].text)
        return {};
    return out;
}

std::optional<Evidence> evidence(const std::optional<QJsonObject>& reply)
{
    if (!isReceipt(reply) || !reply->contains(u"source_frame_ids"))
        return std::nullopt;
    const std::optional<Links> frames = linkIds(*reply, u"source_frame_ids");
    const std::optional<Links> nodes = linkIds(*reply, u"related_node_ids");
    const std::optional<Links> relations = linkIds(*reply, u"related_relation_ids");
    const bool truncated = Json::boolean(*reply, u"details_truncated").value_or(false);
    if (!frames || !nodes || !relations)
        return Evidence{{}, {}, {}, truncated, true};
    return Evidence{*frames, *nodes, *relations, truncated, false};
}

State result(const Reply& reply)
{
    if (!isReceipt(reply))
        return {State::Kind::failed, {}, reply.daemonMessage()};
    const std::optional<qint64> sources = receiptCount(*reply, u"sources");
    const std::optional<qint64> memories = receiptCount(*reply, u"memories");
    const QString dot = QStringLiteral(" · ");
    return {State::Kind::saved,
            (Json::boolean(*reply, u"duplicate").value_or(false) ? QStringLiteral("Already corrected")
                                                                 : QStringLiteral("Corrected"))
                + dot + countPhrase(sources, QStringLiteral("source")) + dot
                + (memories
                       ? countPhrase(*memories, QStringLiteral("related memory"), QStringLiteral("related memories"))
                       : QStringLiteral("related memories unavailable")),
            std::nullopt};
}

Receipt receipt(const Reply& reply)
{
    return {result(reply), evidence(reply)};
}

QString markedWrong(const QString& reading, const QString& receipt)
{
    return QStringLiteral("Marked wrong: “") + reading + QStringLiteral("”\n") + receipt;
}

std::optional<Memory> memory(const std::optional<QJsonObject>& reply, const QString& kind)
{
    const bool entity = kind == u"entity";
    if (!Json::isKind(reply, entity ? u"why" : u"relation_evidence"))
        return std::nullopt;
    const auto label = Json::nonEmptyString(*reply, u"label");
    if (!label)
        return std::nullopt;
    QList<qint64> ids;
    if (entity) {
        for (const QJsonObject& source : Json::objects(*reply, u"sources").value_or(QList<QJsonObject>()))
            if (const auto frame = Json::integer(source, u"frame_id"))
                ids << *frame;
    } else {
        ids = Json::integers(*reply, u"source_frame_ids").value_or(QList<qint64>());
    }
    Memory out{*label, {}, Json::integer(*reply, u"source_count").value_or(ids.size()), ids.size()};
    for (qint64 id : ids)
        if (id >= 1)
            out.frames << id;
    return out;
}

QString memoryLine(const QString& kind, qint64 total)
{
    return QStringLiteral("Related ") + kind + QStringLiteral(" · ") + countPhrase(total, QStringLiteral("source"));
}

std::optional<QString> showingLine(const Memory& memory)
{
    if (memory.listed >= memory.total)
        return std::nullopt;
    return QStringLiteral("Showing ") + QString::number(memory.listed) + QStringLiteral(" of ")
        + QString::number(memory.total) + QStringLiteral(" sources.");
}

QString unavailable(const QString& kind)
{
    return QStringLiteral("This ") + kind
        + QStringLiteral(" is unavailable. Its evidence may have been removed or excluded.");
}

} // namespace vesk::CorrectionText
