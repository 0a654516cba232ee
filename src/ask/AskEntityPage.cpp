#include "AskWindow.h"

#include "AskLabel.h"
#include "ColumnInsert.h"
#include "EntityText.h"
#include "Ink.h"
#include "Json.h"
#include "KeyPanel.h"
#include "NeighbourhoodView.h"
#include "OStyle.h"
#include "Row.h"

#include <QLineEdit>
#include <QVBoxLayout>

namespace vesk {

namespace {

QFont monoSmall()
{
    return OStyle::font(10.5, OStyle::Weight::Regular, OStyle::Design::Monospaced);
}

EntityText::BackTo backTo(const Top& top)
{
    switch (top.kind) {
    case Top::Kind::inbox:
        return EntityText::BackTo::inbox;
    case Top::Kind::answer:
        return EntityText::BackTo::answer;
    case Top::Kind::search:
        break;
    }
    return EntityText::BackTo::results;
}

} // namespace

void AskWindow::fitColumn()
{
    if (stackView)
        stackView->adjustSize();
}

void AskWindow::showEntity(qint64 id, const QString& label, const QString& kind, qint64 sources)
{
    show();
    if (!panel || !panel->isVisible())
        return; // presentation mode keeps the panel away
    top = Top{};
    openEntity(Origin{id, label, kind, sources});
}

void AskWindow::openEntity(const Origin& origin)
{
    if (!stack)
        return;
    field->setFocus(Qt::OtherFocusReason);
    closeInspector();
    screen = Screen{Screen::Kind::entity, origin};
    updateHint();
    const quint64 mine = ++generation;
    clear();
    const int w = width();
    const QPointer<AskWindow> self(this);

    auto* back = new Row(w,
                         {new AskLabel(EntityText::backRow(backTo(top)), Ink::muted(), monoSmall(),
                                       AskLabel::Fit::truncateEnd, w - 14)},
                         true);
    back->setObjectName(QStringLiteral("backRow"));
    back->setOnOpen([self] {
        if (self)
            self->restoreTop();
    });
    addView(back);
    addSpacer(12);

    addView(new AskLabel(origin.label, Ink::text(), OStyle::font(19, OStyle::Weight::Medium, OStyle::Design::Serif),
                         AskLabel::Fit::truncateMiddle, w));
    auto* subtitle = new AskLabel(EntityText::subtitle(origin.kind, origin.sources), Ink::muted(), monoSmall(),
                                  AskLabel::Fit::wrap, w);
    addView(subtitle);
    addSpacer(12);

    // Stays hidden unless the daemon has a question about this name.
    auto* status = new AskLabel(QString(), Ink::muted(), monoSmall(), AskLabel::Fit::wrap, w);
    addView(status);
    status->hide();

    addView(OStyle::section(QStringLiteral("what it connects to")));
    auto* relations = new AskLabel(QStringLiteral("reading…"), Ink::text2(), OStyle::font(12), AskLabel::Fit::wrap, w);
    addView(relations);
    addSpacer(14);

    addView(OStyle::section(QStringLiteral("where it came from")));
    auto* sources = new AskLabel(QStringLiteral("reading its sources…"), Ink::muted(), monoSmall(),
                                 AskLabel::Fit::wrap, w);
    addView(sources);
    scrollToTop();

    // Each completion checks its own placeholder too: a rebuilt column has none.
    const QPointer<QWidget> statusView(status);
    const QPointer<QWidget> relationsView(relations);
    const QPointer<QWidget> sourcesView(sources);
    const QPointer<AskLabel> subtitleView(subtitle);
    client.proposals(20, [self, mine, origin, statusView](Reply reply) {
        if (self && self->generation == mine && statusView)
            self->entityProposals(origin, statusView, reply);
    });
    client.relations(origin.id, [self, mine, origin, relationsView](Reply reply) {
        if (self && self->generation == mine && relationsView)
            self->entityRelations(origin, relationsView, reply);
    });
    client.why(origin.id, [self, mine, origin, sourcesView, subtitleView](Reply reply) {
        if (self && self->generation == mine && sourcesView && subtitleView)
            self->entitySources(origin, sourcesView, subtitleView, reply);
    });
}

void AskWindow::entityProposals(const Origin& origin, QWidget* status, const Reply& reply)
{
    if (!reply)
        return; // no question to ask: the line stays empty
    QList<EntityText::Proposal> kept;
    bool any = false;
    for (const QJsonObject& item : Json::objects(*reply, u"proposals").value_or(QList<QJsonObject>())) {
        if (!EntityText::names(item, origin.label))
            continue;
        any = true;
        if (const auto p = EntityText::proposal(item))
            kept.append(*p);
    }
    if (!any)
        return;
    auto* line = static_cast<AskLabel*>(status);
    line->setFont(OStyle::font(9, OStyle::Weight::Medium, OStyle::Design::Monospaced));
    line->setText(QStringLiteral("POSSIBLY THE SAME THING"));
    line->show();

    const int w = width();
    ColumnInsert insert(stack, status);
    for (const EntityText::Proposal& p : kept) {
        auto* card = new QWidget;
        auto* cardStack = new QVBoxLayout(card);
        cardStack->setContentsMargins(0, 0, 0, 0);
        cardStack->setSpacing(4);
        cardStack->addWidget(new AskLabel(QStringLiteral("Do these names refer to the same thing?"), Ink::text(),
                                          OStyle::font(13.5), AskLabel::Fit::wrap, w - 14));
        addMergeChoices(cardStack, p.id, p.aId, p.a, p.an, p.bId, p.b, p.bn, w - 14);
        insert.view(new Row(w, {card}, false));
    }
    if (!kept.isEmpty())
        insert.space(10);
    fitColumn();
}

void AskWindow::entityRelations(const Origin& origin, QWidget* placeholder, const Reply& reply)
{
    auto* line = static_cast<AskLabel*>(placeholder);
    const QList<QJsonObject> edges =
        reply ? Json::objects(*reply, u"edges").value_or(QList<QJsonObject>()) : QList<QJsonObject>();
    if (edges.isEmpty()) {
        line->setText(EntityText::noEdgesText(reply ? Json::string(*reply, u"state") : std::nullopt));
        return;
    }
    line->hide();

    QList<EntityText::Neighbour> usable;
    for (const QJsonObject& edge : edges)
        if (const auto n = EntityText::usableNeighbour(edge))
            usable.append(*n);
    const qint64 total = Json::numberAsInteger(*reply, u"total").value_or(usable.size());

    const int w = width();
    const QPointer<AskWindow> self(this);
    ColumnInsert insert(stack, placeholder);
    if (!usable.isEmpty()) {
        // Removing a relation arrives with the memory edits; until then the graph only opens.
        insert.view(new NeighbourhoodView(
            origin.label, usable, w,
            [self](const EntityText::Neighbour& n) {
                if (self)
                    self->openEntity(Origin{n.id, n.label, n.kind, n.sources});
            },
            {}));
    }
    insert.view(new AskLabel(EntityText::caption(usable.size(), total), Ink::muted(), monoSmall(), AskLabel::Fit::wrap,
                             w));
    insert.space(14);
    for (const QJsonObject& edge : edges) {
        const auto lines = EntityText::relationLines(edge);
        if (!lines)
            continue;
        auto* row = new Row(w,
                            {new AskLabel(lines->sentence, Ink::text(), OStyle::font(13), AskLabel::Fit::wrap, w - 14),
                             new AskLabel(lines->provenance, Ink::muted(), monoSmall(), AskLabel::Fit::wrap, w - 14)},
                            false);
        row->setProperty("edgeId", lines->edgeId);
        insert.view(row);
    }
    fitColumn();
}

void AskWindow::entitySources(const Origin& origin, QWidget* placeholder, AskLabel* subtitle, const Reply& reply)
{
    const QList<QJsonObject> records =
        reply ? Json::objects(*reply, u"sources").value_or(QList<QJsonObject>()) : QList<QJsonObject>();
    const qint64 count = reply ? Json::numberAsInteger(*reply, u"source_count").value_or(records.size()) : 0;
    subtitle->setText(
        EntityText::subtitle(origin.kind, count, reply ? Json::int64(*reply, u"first_seen_ms") : std::nullopt));

    const int at = stack->indexOf(placeholder);
    if (QLayoutItem* item = at >= 0 ? stack->takeAt(at) : nullptr) {
        delete item;
        placeholder->hide();
        placeholder->deleteLater();
    }
    if (records.isEmpty()) {
        addView(new AskLabel(QStringLiteral("no visible sources — a blocklist rule may cover them"), Ink::muted(),
                             monoSmall(), AskLabel::Fit::wrap, width()));
        fitColumn();
        return;
    }
    addSources(records, origin);
    fitColumn();
}

} // namespace vesk
