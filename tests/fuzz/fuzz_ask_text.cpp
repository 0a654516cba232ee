// Any reply a daemon may send to the ask panel's requests, read by the panel's text modules: no
// reading crashes, and what they produce keeps its promises (rows only from usable elements, a
// strength inside its track, no more marks than lines, a digest that starts with the question,
// receipt links as distinct positive ids in order, two readings or none).
#include "AskText.h"
#include "CorrectionText.h"
#include "EntityText.h"
#include "FrameText.h"
#include "InboxText.h"
#include "Json.h"
#include "MemoryEditText.h"
#include "Wire.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

using namespace vesk;

namespace {

void check(bool holds)
{
    if (!holds)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const Reply reply = Wire::decodeReply(bytes);
    if (!reply)
        return 0;
    const QJsonObject& r = *reply;
    const QDateTime now = QDateTime::fromMSecsSinceEpoch(1772460300000);

    // The ask and search replies.
    for (const AskText::EntityLines& row : AskText::searchRows(r))
        check(!row.meta.isEmpty());
    const AskText::AnswerSources sources = AskText::answerSources(r, now);
    check(sources.evidence == !sources.items.isEmpty());
    for (const QJsonObject& claim : AskText::textClaims(r))
        for (qint64 frame : AskText::keptFrameIds(claim))
            check(frame >= 1);
    if (const auto digest = AskText::agentDigest(QStringLiteral("q"), r, {2}))
        check(digest->text.startsWith(QStringLiteral("Question\nq\n\nAnswer\n")));
    (void)AskText::readiness(reply);
    if (const auto at = Json::numberAsInteger(r, u"quota_reset_at"))
        check(AskText::resetLine(*at).startsWith(QStringLiteral("This device can ask again after ")));
    const QList<QJsonObject> records = Json::objects(r, u"sources").value_or(QList<QJsonObject>());
    qint64 grouped = 0;
    for (const EntityText::SourceGroup& group : EntityText::groupSources(records)) {
        grouped += group.count;
        (void)EntityText::groupHeadline(group);
    }
    check(grouped == records.size());

    // The entity page, the inbox and the frame viewer.
    const EntityText::Relations relations = EntityText::relations(r);
    check(relations.neighbours.size() <= relations.rows.size());
    check(!EntityText::caption(relations.neighbours.size(), relations.total).isEmpty());
    const EntityText::Sources cameFrom = EntityText::sources(r);
    (void)EntityText::subtitle(QStringLiteral("project"), cameFrom.count, cameFrom.firstSeen);
    const QList<InboxText::Proposal> proposals = InboxText::proposals(r);
    const qsizetype shown = std::min(proposals.size(), InboxText::inboxCards);
    (void)InboxText::waitingStatus(proposals.size(), shown);
    (void)InboxText::waitingFooter(proposals.size(), shown);
    for (const InboxText::KindGroup& group : InboxText::recognised(r, now).groups)
        for (const InboxText::Recognised& item : group.items)
            check(item.strength >= 0.02 && item.strength <= 1.0);
    const QList<QJsonObject> lines = Json::objects(r, u"lines").value_or(QList<QJsonObject>());
    const QList<QRectF> marks = FrameText::highlights(lines, Json::string(r, u"label").value_or(QStringLiteral("a")));
    check(marks.size() <= lines.size());
    (void)FrameText::frameStatus(marks.size(), Json::string(r, u"redaction_reason"),
                                 Json::numberAsInteger(r, u"expires_at_ms").value_or(0));
    (void)FrameText::capturedLine(Json::numberAsInteger(r, u"captured_at_ms").value_or(0));

    // Corrections and the changes to memory.
    check(CorrectionText::interpretations(r).size() % 2 == 0);
    if (const auto links = CorrectionText::evidence(reply))
        for (const CorrectionText::Links& list : {links->frames, links->nodes, links->relations})
            check(std::adjacent_find(list.ids.begin(), list.ids.end(), std::greater_equal<>()) == list.ids.end()
                  && (list.ids.isEmpty() || list.ids.first() >= 1) && list.ids.size() <= CorrectionText::shownLinks
                  && list.more >= 0);
    check(CorrectionText::result(reply).kind != CorrectionText::State::Kind::ready);
    for (const QString& kind : {QStringLiteral("entity"), QStringLiteral("relationship")})
        if (const auto memory = CorrectionText::memory(reply, kind))
            check(memory->frames.size() <= memory->listed && !memory->label.isEmpty());
    if (const auto preview = MemoryEditText::forgetPreview(reply))
        check(MemoryEditText::forgetConfirmation(*preview, QStringLiteral("x")).text.endsWith(u"undone."));
    (void)MemoryEditText::forgetVerdict(reply, 12, QStringLiteral("x"));
    (void)MemoryEditText::renameNote(r, QStringLiteral("x"));
    return 0;
}
