#include "EntityPage.h"

#include "InboxText.h"
#include "InkLabel.h"
#include "Json.h"
#include "LoadingSection.h"
#include "MemoryRows.h"
#include "MergeCard.h"
#include "NeighbourhoodView.h"
#include "OStyle.h"
#include "Row.h"
#include "ScrollColumn.h"

namespace vesk {

EntityPage::EntityPage(ScrollColumn& column, DaemonClient& client, MergeJudge& judge, const Origin& origin,
                       EntityText::BackTo backTo, Callbacks callbacks)
    : Page(column)
    , client(client)
    , judge(judge)
    , origin(origin)
    , backTo(backTo)
    , callbacks(std::move(callbacks))
{
}

void EntityPage::open()
{
    fresh();
    auto* back = new Row(
        {new InkLabel(EntityText::backRow(backTo), Ink::muted(), OStyle::monoSmall(), InkLabel::Fit::truncateEnd)},
        Row::Frame::plain);
    back->setOnOpen(callbacks.back);
    column.add(back);
    column.space(12);
    column.add(new InkLabel(origin.label, Ink::text(), OStyle::pageTitle(), InkLabel::Fit::truncateMiddle));
    subtitle = new InkLabel(EntityText::subtitle(origin.kind, origin.sources), Ink::muted(), OStyle::monoSmall());
    column.add(subtitle);
    column.space(12);

    // Stays hidden unless the daemon has a question about this name.
    auto* status = new InkLabel(QString(), Ink::muted(), OStyle::monoSmall());
    same = new LoadingSection(column, {}, status);
    status->hide();
    connects = new LoadingSection(column, QStringLiteral("what it connects to"),
                                  new InkLabel(QStringLiteral("reading…"), Ink::text2(), OStyle::font(12)));
    column.space(14);
    cameFrom
        = new LoadingSection(column, QStringLiteral("where it came from"),
                             new InkLabel(QStringLiteral("reading its sources…"), Ink::muted(), OStyle::monoSmall()));
    column.scrollToTop();

    client.proposals(20, same, same->bind([this](Reply reply) { proposals(reply); }));
    client.relations(origin.id, connects, connects->bind([this](Reply reply) { relations(reply); }));
    client.why(origin.id, cameFrom, cameFrom->bind([this](Reply reply) { sources(reply); }));
}

void EntityPage::proposals(const Reply& reply)
{
    const QList<InboxText::Proposal> kept
        = reply ? InboxText::proposals(*reply, origin.label) : QList<InboxText::Proposal>();
    if (kept.isEmpty())
        return; // no question to ask: the line stays empty
    same->status()->setFont(OStyle::font(9, OStyle::Weight::Medium, OStyle::Design::Monospaced));
    same->setStatus(QStringLiteral("POSSIBLY THE SAME THING"));
    ColumnInsert insert = same->insert();
    for (const InboxText::Proposal& p : kept) {
        auto* card = new MergeCard(p, MergeCard::Style::page, [this](MergeCard* card, std::optional<qint64> keep) {
            // The ticket of the view on screen at the click: a judgment waits for nothing else.
            judge.judge(card, keep, column.ticket());
        });
        insert.view(new Row({card}));
    }
    insert.space(10);
}

void EntityPage::relations(const Reply& reply)
{
    if (!reply) {
        connects->fail(EntityText::noEdgesText(std::nullopt));
        return;
    }
    const EntityText::Relations found = EntityText::relations(*reply);
    if (found.rows.isEmpty()) {
        connects->setStatus(EntityText::noEdgesText(Json::string(*reply, u"state")));
        return;
    }
    connects->hideStatus();
    ColumnInsert insert = connects->insert();
    if (!found.neighbours.isEmpty()) {
        // Removing a relation arrives with the memory edits; until then the graph only opens.
        insert.view(new NeighbourhoodView(origin.label, found.neighbours,
                                          [this](const EntityText::Neighbour& n) {
                                              callbacks.openEntity(Origin{n.id, n.label, n.kind, n.sources});
                                          },
                                          {}));
    }
    insert.view(
        new InkLabel(EntityText::caption(found.neighbours.size(), found.total), Ink::muted(), OStyle::monoSmall()));
    insert.space(14);
    for (const EntityText::RelationLines& lines : found.rows)
        insert.view(new Row({new InkLabel(lines.sentence, Ink::text(), OStyle::font(13)),
                             new InkLabel(lines.provenance, Ink::muted(), OStyle::monoSmall())}));
}

void EntityPage::sources(const Reply& reply)
{
    const QList<QJsonObject> records
        = reply ? Json::objects(*reply, u"sources").value_or(QList<QJsonObject>()) : QList<QJsonObject>();
    const qint64 count = reply ? Json::numberAsInteger(*reply, u"source_count").value_or(records.size()) : 0;
    subtitle->setText(
        EntityText::subtitle(origin.kind, count, reply ? Json::int64(*reply, u"first_seen_ms") : std::nullopt));
    cameFrom->hideStatus();
    ColumnInsert insert = cameFrom->insert();
    if (records.isEmpty()) {
        insert.view(new InkLabel(QStringLiteral("no visible sources — a blocklist rule may cover them"), Ink::muted(),
                                 OStyle::monoSmall()));
        return;
    }
    // The window unmarks every row whenever the inspector changes or closes.
    const auto open = [this](qint64 frame, Row* row) {
        callbacks.openFrame(frame, origin);
        row->setCited(true);
    };
    for (QWidget* view : MemoryRows::sources(EntityText::groupSources(records), open))
        insert.view(view);
}

} // namespace vesk
