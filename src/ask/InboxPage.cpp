#include "InboxPage.h"

#include "Clock.h"
#include "InboxText.h"
#include "InkLabel.h"
#include "LoadingSection.h"
#include "MergeCard.h"
#include "OStyle.h"
#include "Row.h"
#include "ScrollColumn.h"

#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace vesk {

namespace {

// Cards built in one turn of the event loop, and the space the column keeps between its views.
constexpr qsizetype cardSlice = 5;
constexpr int cardGap = 3;

// How much of the memory rests on an item: a thin track with an amber fill from the left.
class StrengthBar : public QWidget {
public:
    explicit StrengthBar(double fraction)
        : fraction(fraction)
    {
        setFixedHeight(4);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Ink::sunken().resolve(this));
        painter.drawRoundedRect(QRectF(rect()), 2, 2);
        QColor fill = Ink::amber().resolve(this);
        fill.setAlphaF(0.8f);
        painter.setBrush(fill);
        painter.drawRoundedRect(QRectF(0, 0, width() * fraction, height()), 2, 2);
    }

private:
    double fraction;
};

} // namespace

InboxPage::InboxPage(ScrollColumn& column, DaemonClient& client, MergeJudge& judge, Clock& clock, OpenEntity openEntity)
    : Page(column)
    , client(client)
    , judge(judge)
    , clock(clock)
    , openEntity(std::move(openEntity))
{
}

void InboxPage::open()
{
    fresh();
    cards.clear();
    column.add(new InkLabel(QStringLiteral("What it knows about you"), Ink::text(), OStyle::pageTitle()));
    column.space(12);
    waitingOnYou
        = new LoadingSection(column, QStringLiteral("waiting on you"),
                             new InkLabel(QStringLiteral("Loading uncertain items…"), Ink::text2(), OStyle::font(12)));
    waitingOnYou->addRetry(QStringLiteral("Retry inbox"), [this] { open(); });
    column.space(18);
    knows = new LoadingSection(
        column, QStringLiteral("what it recognises"),
        new InkLabel(QStringLiteral("Loading recognised people and work…"), Ink::text2(), OStyle::font(12)));
    knows->addRetry(QStringLiteral("Retry recognised items"), [this] { open(); });
    column.scrollToTop();

    client.proposals(
        500, waitingOnYou,
        DaemonClient::Reading(
            [](const Reply& reply) { return reply ? std::optional(InboxText::proposals(*reply)) : std::nullopt; },
            waitingOnYou->bind([this](const std::optional<QList<InboxText::Proposal>>& all) { waiting(all); })));
    client.top(200, knows, knows->bind([this](Reply reply) { recognised(reply); }));
}

void InboxPage::waiting(const std::optional<QList<InboxText::Proposal>>& reply)
{
    if (!reply) {
        waitingOnYou->fail(
            QStringLiteral("Could not load uncertain items. Vesk could not look; this is not an empty queue."));
        return;
    }
    const QList<InboxText::Proposal>& all = *reply;
    total = all.size();
    const qsizetype shown = std::min(total, InboxText::inboxCards);
    waitingOnYou->setStatus(InboxText::waitingStatus(total, shown));
    if (total == 0)
        return;
    ColumnInsert insert = waitingOnYou->insert();
    auto* stack = new QWidget;
    auto* stacked = new QVBoxLayout(stack);
    stacked->setContentsMargins(0, 0, 0, 0);
    stacked->setSpacing(cardGap);
    insert.view(stack);
    footer = new InkLabel(InboxText::waitingFooter(total, shown), Ink::text2(), OStyle::monoSmall());
    insert.view(footer);
    addCards(stack, all.first(shown));
}

void InboxPage::addCards(QWidget* stack, QList<InboxText::Proposal> pending)
{
    // A few cards at a time, put together off screen and shown at once; the next few wait for the
    // next turn of the event loop: laying out two dozen cards of wrapped names in one go held the
    // panel past a frame.
    auto* slice = new QWidget;
    auto* stacked = new QVBoxLayout(slice);
    stacked->setContentsMargins(0, 0, 0, 0);
    stacked->setSpacing(cardGap);
    const qsizetype now = std::min(pending.size(), cardSlice);
    for (qsizetype i = 0; i < now; ++i) {
        auto* card
            = new MergeCard(pending[i], MergeCard::Style::inbox, [this](MergeCard* card, std::optional<qint64> keep) {
                  judge.judge(card, keep, column.ticket(),
                              [this](MergeCard* settled, std::optional<qint64> entity) { settle(settled, entity); });
              });
        cards << card;
        stacked->addWidget(card);
        // Without a gap one card's note reads as the next card's heading.
        stacked->addSpacing(14);
    }
    stack->layout()->addWidget(slice);
    slice->show();
    pending.remove(0, now);
    if (!pending.isEmpty())
        QTimer::singleShot(0, stack, whileCurrent(column.ticket(), [this, stack, pending = std::move(pending)] {
                               addCards(stack, pending);
                           }));
}

void InboxPage::settle(MergeCard* settled, std::optional<qint64> entity)
{
    qsizetype decided = 0;
    for (QPointer<MergeCard>& card : cards) {
        if (!card || (card != settled && !(entity && card->names(*entity))))
            continue;
        if (card != settled)
            card->replaceWith(QStringLiteral("no longer applies — one of these was just merged"));
        card = nullptr;
        ++decided;
    }
    cards.removeIf([](const QPointer<MergeCard>& card) { return card.isNull(); });
    total = std::max<qsizetype>(total - decided, 0);
    waitingOnYou->setStatus(InboxText::waitingStatus(total, cards.size()));
    footer->setText(InboxText::waitingFooter(total, cards.size()));
    footer->setVisible(total > 0);
}

void InboxPage::recognised(const Reply& reply)
{
    if (!reply) {
        knows->fail(QStringLiteral("Could not load recognised items. Vesk could not look; this is not an empty list."));
        return;
    }
    const InboxText::RecognisedItems found = InboxText::recognised(*reply, clock.now());
    if (!found.any) {
        knows->setStatus(QStringLiteral("Nothing yet. Vesk writes an entity down when it has seen the same name on "
                                        "your screen more than once."));
        return;
    }
    knows->hideStatus();
    ColumnInsert insert = knows->insert();
    if (found.groups.isEmpty()) {
        insert.view(new InkLabel(
            QStringLiteral("Nothing yet of the kind worth knowing — no people, no projects, no open work. Vesk "
                           "recognises a path because a path has a shape; a person or a task on your screen has none, "
                           "and nothing here reads for meaning yet."),
            Ink::text2(), OStyle::font(13.5)));
        return;
    }
    for (const InboxText::KindGroup& group : found.groups) {
        insert.view(OStyle::section(group.heading));
        for (const InboxText::Recognised& item : group.items) {
            auto* row
                = new Row({new InkLabel(item.label, Ink::text(), OStyle::font(13.5), InkLabel::Fit::truncateMiddle),
                           new InkLabel(item.meta, Ink::muted(), OStyle::monoSmall(), InkLabel::Fit::truncateEnd),
                           new StrengthBar(item.strength)});
            row->onOpened(
                this, [this, origin = Origin{item.id, item.label, item.kind, item.sources}] { openEntity(origin); });
            insert.view(row);
        }
        insert.space(10);
    }
}

} // namespace vesk
