#include "EntityPage.h"

#include "EditDialogs.h"
#include "InboxText.h"
#include "InkButton.h"
#include "InkLabel.h"
#include "Json.h"
#include "LoadingSection.h"
#include "MemoryRows.h"
#include "MergeCard.h"
#include "NeighbourhoodView.h"
#include "OStyle.h"
#include "Phrases.h"
#include "Row.h"
#include "ScrollColumn.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <algorithm>

namespace vesk {

namespace {

// Views side by side at their own sizes, from the left: a row places its views at its full width.
QWidget* side(const QList<QWidget*>& views)
{
    auto* line = new QWidget;
    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    for (QWidget* view : views)
        layout->addWidget(view);
    layout->addStretch(1);
    return line;
}

} // namespace

EntityPage::EntityPage(ScrollColumn& column, DaemonClient& client, Alerts& alerts, MergeJudge& judge,
                       const Origin& origin, EntityText::BackTo backTo, Callbacks callbacks, const QString& note)
    : Page(column)
    , client(client)
    , alerts(alerts)
    , judge(judge)
    , origin(origin)
    , backTo(backTo)
    , callbacks(std::move(callbacks))
    , note(note)
{
}

void EntityPage::open()
{
    fresh();
    if (!note.isEmpty()) {
        column.add(new InkLabel(note, Ink::muted(), OStyle::monoSmall()));
        column.space(14);
        note.clear();
    }
    backLine = new InkLabel(EntityText::backRow(backTo, origin.label), Ink::muted(), OStyle::monoSmall(),
                            InkLabel::Fit::truncateEnd);
    auto* back = new Row({backLine}, Row::Frame::plain);
    back->onOpened(this, callbacks.back);
    column.add(back);
    column.space(12);
    title = new InkLabel(origin.label, Ink::text(), OStyle::pageTitle(), InkLabel::Fit::truncateMiddle);
    column.add(title);
    subtitle = new InkLabel(EntityText::subtitle(origin.kind, origin.sources), Ink::muted(), OStyle::monoSmall());
    column.add(subtitle);
    column.space(6);
    InkButton* forget = InkButton::make(QStringLiteral("Forget everything about this"), InkButton::Tone::destructive);
    connect(forget, &InkButton::clicked, this, [this, forget] { callbacks.forget(origin, forget); });
    column.add(
        side({InkButton::make(QStringLiteral("Rename"), InkButton::Tone::quiet, [this] { startRename(); }), forget}));
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

    using Reading = DaemonClient::Reading;
    client.proposals(
        20, same,
        Reading([](const Reply& reply) { return reply ? InboxText::proposals(*reply) : QList<InboxText::Proposal>(); },
                same->bind([this](const QList<InboxText::Proposal>& all) { proposals(all); })));
    client.relations(
        origin.id, connects,
        Reading([](const Reply& reply) { return reply ? std::optional(EntityText::relations(*reply)) : std::nullopt; },
                connects->bind([this](const std::optional<EntityText::Relations>& found) { relations(found); })));
    client.why(
        origin.id, cameFrom,
        Reading([](const Reply& reply) { return reply ? std::optional(EntityText::sources(*reply)) : std::nullopt; },
                cameFrom->bind([this](const std::optional<EntityText::Sources>& found) { sources(found); })));
}

void EntityPage::proposals(const QList<InboxText::Proposal>& all)
{
    // By the name the page has when the reply arrives, which the sources reply may have changed.
    QList<InboxText::Proposal> kept;
    for (const InboxText::Proposal& p : all)
        if (p.a == origin.label || p.b == origin.label)
            kept << p;
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

void EntityPage::relations(const std::optional<EntityText::Relations>& reply)
{
    if (!reply) {
        connects->fail(EntityText::noEdgesText(std::nullopt));
        return;
    }
    const EntityText::Relations& found = *reply;
    if (found.rows.isEmpty()) {
        connects->setStatus(EntityText::noEdgesText(found.state));
        return;
    }
    connects->hideStatus();
    ColumnInsert insert = connects->insert();
    neighbours = found.neighbours;
    total = found.total;
    if (!neighbours.isEmpty()) {
        insert.view(graph = new NeighbourhoodView(origin.label, neighbours));
        connect(graph, &NeighbourhoodView::neighbourOpened, this, [this](const EntityText::Neighbour& n) {
            callbacks.openEntity(Origin{n.id, n.label, n.kind, n.sources});
        });
        connect(graph, &NeighbourhoodView::relationPicked, this, &EntityPage::confirmRejectRelation);
    }
    insert.view(caption
                = new InkLabel(EntityText::caption(neighbours.size(), total), Ink::muted(), OStyle::monoSmall()));
    insert.space(14);
    for (const EntityText::RelationLines& lines : found.rows) {
        auto* sentence = new InkLabel(lines.sentence, Ink::text(), OStyle::font(13));
        auto* provenance = new InkLabel(lines.provenance, Ink::muted(), OStyle::monoSmall());
        // Without an id the daemon gave there is nothing to remove: the row only reads.
        if (lines.edgeId < 1) {
            insert.view(new Row({sentence, provenance}));
            continue;
        }
        InkButton* wrong = InkButton::make(QStringLiteral("This is wrong"), InkButton::Tone::quiet);
        auto* row = new Row({sentence, provenance, side({wrong})});
        connect(wrong, &InkButton::clicked, this,
                [this, row, wrong, edge = lines.edgeId] { rejectRelation(edge, row, wrong); });
        insert.view(row);
    }
}

void EntityPage::startRename()
{
    AlertSpec question;
    question.title = QStringLiteral("What is this actually called?");
    question.text = QStringLiteral("The old spelling is kept, so anything that mentions it still finds this entity.");
    question.field = QString();
    question.fieldText = origin.label;
    question.buttons = {QStringLiteral("Rename"), QStringLiteral("Cancel")};
    question.safe = 1;
    const AlertResult answer = alerts.present(question);
    if (answer.button != 0)
        return;
    const QString label = answer.fieldText;
    client.rename(origin.id, label, this, whileCurrent(column.ticket(), [this, label](Reply reply) {
                      if (!Json::isKind(reply, u"renamed")) {
                          EditDialogs::report(alerts, reply, QStringLiteral("Could not rename that."));
                          return;
                      }
                      // The page again, under its new name, with a note of what now reads it.
                      callbacks.reopen(Origin{origin.id, label, origin.kind, origin.sources},
                                       MemoryEditText::renameNote(*reply, label));
                  }));
}

void EntityPage::rejectRelation(qint64 edgeId, Row* row, InkButton* button)
{
    button->setEnabled(false);
    client.rejectRelation(edgeId, row, whileCurrent(column.ticket(), [this, row, button, edgeId](Reply reply) {
                              if (!Json::isKind(reply, u"ok")) {
                                  button->setEnabled(true);
                                  EditDialogs::report(alerts, reply, QStringLiteral("Could not remove that relation."));
                                  return;
                              }
                              auto* faded = new QGraphicsOpacityEffect(row);
                              faded->setOpacity(0.4);
                              row->setGraphicsEffect(faded);
                              button->setText(QStringLiteral("removed"));
                              dropFromGraph(edgeId);
                          }));
}

void EntityPage::dropFromGraph(qint64 edgeId)
{
    const auto gone = std::find_if(neighbours.cbegin(), neighbours.cend(),
                                   [edgeId](const EntityText::Neighbour& n) { return n.edgeId == edgeId; });
    if (gone == neighbours.cend())
        return; // a relation the graph could not draw
    neighbours.erase(gone);
    total = std::max<qint64>(total - 1, 0);
    if (caption)
        caption->setText(EntityText::caption(neighbours.size(), total));
    if (graph) {
        graph->setNeighbours(neighbours);
        graph->setVisible(!neighbours.isEmpty());
    }
}

void EntityPage::confirmRejectRelation(const EntityText::Neighbour& neighbour)
{
    if (EditDialogs::confirm(alerts, AlertSpec::Style::informational,
                             {QStringLiteral("Remove this relation?"),
                              MemoryEditText::relationQuestion(EntityText::relationSentence(neighbour, origin.label))},
                             QStringLiteral("This is wrong"), EditDialogs::Undo::impossible)
        != 0)
        return;
    client.rejectRelation(neighbour.edgeId, this, whileCurrent(column.ticket(), [this](Reply reply) {
                              if (Json::isKind(reply, u"ok"))
                                  callbacks.reopen(origin, {}); // the graph drawn again, without the relation
                              else
                                  EditDialogs::report(alerts, reply, QStringLiteral("Could not remove that relation."));
                          }));
}

void EntityPage::sources(const std::optional<EntityText::Sources>& found)
{
    // A reminder opens the page under its own headline; the entity's name replaces it once known.
    if (const auto name = found ? found->name : std::nullopt; name && *name != origin.label) {
        origin.label = *name;
        title->setText(*name);
        if (graph)
            graph->setCentre(*name);
        backLine->setText(EntityText::backRow(backTo, *name));
        if (callbacks.named)
            callbacks.named(*name);
    }
    subtitle->setText(
        EntityText::subtitle(origin.kind, found ? found->count : 0, found ? found->firstSeen : std::nullopt));
    cameFrom->hideStatus();
    ColumnInsert insert = cameFrom->insert();
    if (!found || found->groups.isEmpty()) {
        insert.view(new InkLabel(QStringLiteral("no visible sources — a blocklist rule may cover them"), Ink::muted(),
                                 OStyle::monoSmall()));
        return;
    }
    // The window unmarks every row whenever the inspector changes or closes.
    const auto open = [this](qint64 frame, Row* row) {
        callbacks.openFrame(frame, origin);
        row->setCited(true);
    };
    for (QWidget* view : MemoryRows::sources(found->groups, open))
        insert.view(view);
}

} // namespace vesk
