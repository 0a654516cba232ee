#include "AskWindow.h"

#include "AskLabel.h"
#include "ColumnInsert.h"
#include "EntityText.h"
#include "Ink.h"
#include "InkButton.h"
#include "Json.h"
#include "KeyPanel.h"
#include "OStyle.h"
#include "Phrases.h"
#include "Row.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QVBoxLayout>

namespace vesk {

namespace {

QFont monoSmall()
{
    return OStyle::font(10.5, OStyle::Weight::Regular, OStyle::Design::Monospaced);
}

// How much of the memory rests on an item: a thin track with an amber fill from the left.
class StrengthBar : public QWidget {
public:
    StrengthBar(double fraction, int width)
        : fraction(fraction)
    {
        setFixedSize(width, 4);
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

void removeAll(QLayout* layout)
{
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (QWidget* view = item->widget()) {
            view->hide();
            view->deleteLater();
        } else if (QLayout* inner = item->layout()) {
            removeAll(inner);
        }
        delete item;
    }
}

// The card's buttons: its arranged views and their direct subviews.
QList<InkButton*> cardButtons(QWidget* card)
{
    return card->findChildren<InkButton*>();
}

} // namespace

void AskWindow::showInbox()
{
    show();
    if (panel && panel->isVisible())
        openInbox();
}

void AskWindow::openInbox()
{
    if (!stack)
        return;
    setCompact(false);
    field->setFocus(Qt::OtherFocusReason);
    closeInspector();
    screen = Screen{Screen::Kind::inbox, {}};
    top = Top{Top::Kind::inbox, {}, {}};
    updateHint();
    const quint64 mine = ++generation;
    clear();
    const int w = width();
    const QPointer<AskWindow> self(this);
    const auto retry = [self] {
        if (self)
            self->openInbox();
    };

    addView(new AskLabel(QStringLiteral("What it knows about you"), Ink::text(),
                         OStyle::font(19, OStyle::Weight::Medium, OStyle::Design::Serif), AskLabel::Fit::wrap, w));
    addSpacer(12);

    addView(OStyle::section(QStringLiteral("waiting on you")));
    auto* waiting = new AskLabel(QStringLiteral("Loading uncertain items…"), Ink::text2(), OStyle::font(12),
                                 AskLabel::Fit::wrap, w);
    addView(waiting);
    InkButton* retryInbox = InkButton::make(QStringLiteral("Retry inbox"), InkButton::Tone::quiet, retry);
    addView(retryInbox);
    retryInbox->hide();

    addSpacer(18);
    addView(OStyle::section(QStringLiteral("what it recognises")));
    auto* recognised = new AskLabel(QStringLiteral("Loading recognised people and work…"), Ink::text2(),
                                    OStyle::font(12), AskLabel::Fit::wrap, w);
    addView(recognised);
    InkButton* retryRecognised = InkButton::make(QStringLiteral("Retry recognised items"), InkButton::Tone::quiet,
                                                 retry);
    addView(retryRecognised);
    retryRecognised->hide();
    scrollToTop();

    const QPointer<QWidget> waitingView(waiting), retryInboxView(retryInbox);
    const QPointer<QWidget> recognisedView(recognised), retryRecognisedView(retryRecognised);
    client.proposals(500, [self, mine, waitingView, retryInboxView](Reply reply) {
        if (self && self->generation == mine && waitingView && retryInboxView)
            self->inboxProposals(waitingView, retryInboxView, reply);
    });
    client.top(200, [self, mine, recognisedView, retryRecognisedView](Reply reply) {
        if (self && self->generation == mine && recognisedView && retryRecognisedView)
            self->inboxRecognised(recognisedView, retryRecognisedView, reply);
    });
}

void AskWindow::inboxProposals(QWidget* status, QWidget* retry, const Reply& reply)
{
    auto* line = static_cast<AskLabel*>(status);
    if (!reply) {
        line->setText(
            QStringLiteral("Could not load uncertain items. Vesk could not look; this is not an empty queue."));
        retry->show();
        return;
    }
    retry->hide();
    const QList<QJsonObject> all = Json::objects(*reply, u"proposals").value_or(QList<QJsonObject>());
    const qsizetype total = all.size();
    const qsizetype shown = std::min(total, EntityText::inboxCards);
    line->setText(EntityText::waitingStatus(total, shown));
    if (total == 0)
        return;

    const int w = width();
    ColumnInsert insert(stack, status);
    for (qsizetype i = 0; i < shown; ++i) {
        const auto p = EntityText::proposal(all[i]);
        if (!p)
            continue;
        auto* card = new QWidget;
        card->setObjectName(QStringLiteral("pair:%1:%2").arg(p->aId).arg(p->bId));
        card->setFixedWidth(w);
        auto* cardStack = new QVBoxLayout(card);
        cardStack->setContentsMargins(0, 0, 0, 0);
        cardStack->setSpacing(10);
        cardStack->addWidget(new AskLabel(QStringLiteral("Do these names refer to the same thing?"), Ink::text(),
                                          OStyle::font(13.5), AskLabel::Fit::wrap, w));
        cardStack->addWidget(
            new AskLabel(EntityText::methodLine(p->method), Ink::muted(), monoSmall(), AskLabel::Fit::wrap, w));
        addMergeChoices(cardStack, p->id, p->aId, p->a, p->an, p->bId, p->b, p->bn, w);
        insert.view(card);
        // Without a gap one card's note reads as the next card's heading.
        insert.space(14);
    }
    insert.view(new AskLabel(EntityText::waitingFooter(total, shown), Ink::text2(), monoSmall(), AskLabel::Fit::wrap, w));
    fitColumn();
}

void AskWindow::addMergeChoices(QVBoxLayout* card, qint64 id, qint64 aId, const QString& a, qint64 an, qint64 bId,
                                const QString& b, qint64 bn, int inner)
{
    const QPointer<AskWindow> self(this);
    const struct {
        qint64 entity;
        QString name;
        qint64 count;
    } sides[] = {{aId, a, an}, {bId, b, bn}};
    for (const auto& side : sides) {
        auto* row = new QWidget;
        auto* rowLayout = new QHBoxLayout(row);
        rowLayout->setContentsMargins(0, 0, 0, 0);
        rowLayout->setSpacing(12);
        auto* names = new QWidget;
        auto* namesLayout = new QVBoxLayout(names);
        namesLayout->setContentsMargins(0, 0, 0, 0);
        namesLayout->setSpacing(3);
        auto* name = new AskLabel(side.name, Ink::text(), OStyle::font(13.5), AskLabel::Fit::wrap, inner - 140);
        name->setToolTip(side.name);
        namesLayout->addWidget(name);
        namesLayout->addWidget(new AskLabel(countPhrase(side.count, QStringLiteral("observation")), Ink::muted(),
                                            monoSmall(), AskLabel::Fit::wrap, inner - 140));
        rowLayout->addWidget(names, 0, Qt::AlignVCenter);
        InkButton* use = InkButton::make(QStringLiteral("Use this name"), InkButton::Tone::quiet);
        use->setFixedHeight(28);
        use->setProperty("proposal", id);
        use->setObjectName(QString::number(side.entity));
        use->setToolTip(QStringLiteral("Merge both items and keep the name: ") + side.name);
        QObject::connect(use, &QPushButton::clicked, use, [self, use] {
            if (self)
                self->judgeKeep(use);
        });
        rowLayout->addWidget(use, 0, Qt::AlignVCenter);
        rowLayout->addStretch(1);
        card->addWidget(row);
    }

    auto* row = new QWidget;
    auto* rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    InkButton* apart = InkButton::make(QStringLiteral("Keep them separate"), InkButton::Tone::quiet);
    apart->setFixedHeight(28);
    apart->setProperty("proposal", id);
    QObject::connect(apart, &QPushButton::clicked, apart, [self, apart] {
        if (self)
            self->judgeDifferent(apart);
    });
    rowLayout->addWidget(apart);
    rowLayout->addStretch(1);
    card->addWidget(row);

    card->addWidget(new AskLabel(QStringLiteral("Choosing a name merges both items. Keeping them separate rejects this "
                                                "match."),
                                 Ink::muted(), monoSmall(), AskLabel::Fit::wrap, inner));
    auto* feedback = new AskLabel(QString(), Ink::muted(), monoSmall(), AskLabel::Fit::wrap, inner);
    feedback->setObjectName(QStringLiteral("merge-feedback"));
    feedback->hide();
    card->addWidget(feedback);
}

void AskWindow::judgeKeep(InkButton* sender)
{
    bool ok = false;
    const qint64 keep = sender->objectName().toLongLong(&ok);
    judge(sender, ok ? std::optional<qint64>(keep) : std::nullopt, QStringLiteral("merged"));
}

void AskWindow::judgeDifferent(InkButton* sender)
{
    judge(sender, std::nullopt, QStringLiteral("kept apart"));
}

void AskWindow::judge(InkButton* sender, std::optional<qint64> keep, const QString& settled)
{
    const qint64 id = sender->property("proposal").toLongLong();
    if (pendingMergeJudgments.contains(id))
        return;
    QWidget* card = sender->parentWidget() ? sender->parentWidget()->parentWidget() : nullptr;
    if (!card || !qobject_cast<QVBoxLayout*>(card->layout()))
        return;
    pendingMergeJudgments.insert(id);
    const quint64 mine = generation;

    for (InkButton* button : cardButtons(card))
        button->setEnabled(false);
    auto* feedback = card->findChild<AskLabel*>(QStringLiteral("merge-feedback"));
    if (feedback) {
        feedback->setColour(Ink::text2());
        feedback->setText(QStringLiteral("Saving your decision…"));
        feedback->show();
    }

    const QPointer<AskWindow> self(this);
    const QPointer<QWidget> cardView(card);
    const QPointer<AskLabel> feedbackView(feedback);
    client.judgeMerge(id, keep, [self, id, mine, settled, cardView, feedbackView](Reply reply) {
        if (!self)
            return;
        // Released whatever the panel shows now, so the proposal can be judged again.
        self->pendingMergeJudgments.remove(id);
        if (self->generation != mine || !cardView)
            return;
        if (Json::isKind(reply, u"ok")) {
            removeAll(cardView->layout());
            auto* done = new AskLabel(settled, Ink::muted(), monoSmall(), AskLabel::Fit::wrap, self->width());
            cardView->layout()->addWidget(done);
            done->show();
            if (const auto state = Json::string(*reply, u"state")) {
                bool ok = false;
                const qint64 gone = state->section(QLatin1Char(':'), -1).toLongLong(&ok);
                if (ok)
                    self->retireCards(gone, cardView);
            }
            self->fitColumn();
            return;
        }
        for (InkButton* button : cardButtons(cardView))
            button->setEnabled(true);
        if (feedbackView) {
            feedbackView->setColour(Ink::flag());
            feedbackView->setText(QStringLiteral("Could not confirm this decision. Try again."));
            feedbackView->show();
        }
    });
}

void AskWindow::retireCards(qint64 naming, QWidget* except)
{
    if (!stack)
        return;
    for (int i = 0; i < stack->count(); ++i) {
        QWidget* card = stack->itemAt(i)->widget();
        if (!card || card == except || !card->objectName().startsWith(QStringLiteral("pair:"))
            || !qobject_cast<QVBoxLayout*>(card->layout()))
            continue;
        bool names = false;
        for (const QString& part : card->objectName().split(QLatin1Char(':'))) {
            bool ok = false;
            if (part.toLongLong(&ok) == naming && ok)
                names = true;
        }
        if (!names)
            continue;
        removeAll(card->layout());
        auto* line = new AskLabel(QStringLiteral("no longer applies — one of these was just merged"), Ink::muted(),
                                  monoSmall(), AskLabel::Fit::wrap, width());
        card->layout()->addWidget(line);
        line->show();
    }
}

std::optional<QString> AskWindow::lastSeen(const QJsonObject& node) const
{
    return EntityText::lastSeen(node, clock.now());
}

void AskWindow::inboxRecognised(QWidget* status, QWidget* retry, const Reply& reply)
{
    auto* line = static_cast<AskLabel*>(status);
    if (!reply) {
        line->setText(QStringLiteral("Could not load recognised items. Vesk could not look; this is not an empty list."));
        retry->show();
        return;
    }
    retry->hide();
    const QList<QJsonObject> nodes = Json::objects(*reply, u"nodes").value_or(QList<QJsonObject>());
    if (nodes.isEmpty()) {
        line->setText(QStringLiteral("Nothing yet. Vesk writes an entity down when it has seen the same name on your "
                                     "screen more than once."));
        return;
    }
    line->hide();
    const int w = width();
    ColumnInsert insert(stack, status);
    const QList<EntityText::KindGroup> groups = EntityText::recognisedGroups(nodes);
    if (groups.isEmpty()) {
        insert.view(new AskLabel(
            QStringLiteral("Nothing yet of the kind worth knowing — no people, no projects, no open work. Vesk "
                           "recognises a path because a path has a shape; a person or a task on your screen has none, "
                           "and nothing here reads for meaning yet."),
            Ink::text2(), OStyle::font(13.5), AskLabel::Fit::wrap, w));
        return;
    }
    const double scale = EntityText::strengthScale(nodes);
    const QPointer<AskWindow> self(this);
    const QDateTime now = clock.now();
    for (const EntityText::KindGroup& group : groups) {
        auto* heading = new AskLabel(group.heading, Ink::muted(),
                                     OStyle::font(9, OStyle::Weight::Medium, OStyle::Design::Monospaced),
                                     AskLabel::Fit::truncateEnd, w);
        insert.view(heading);
        for (const QJsonObject& node : group.nodes) {
            const auto label = Json::string(node, u"label");
            const auto id = Json::numberAsInteger(node, u"node_id");
            if (!label || !id)
                continue;
            auto* row = new Row(w,
                                {new AskLabel(*label, Ink::text(), OStyle::font(13.5), AskLabel::Fit::truncateMiddle,
                                              w - 14),
                                 new AskLabel(EntityText::recognisedMeta(node, now), Ink::muted(), monoSmall(),
                                              AskLabel::Fit::truncateEnd, w - 14),
                                 new StrengthBar(EntityText::strengthFraction(node, scale), w - 14)},
                                false);
            const Origin origin{*id, *label, group.kind, Json::numberAsInteger(node, u"sources").value_or(0)};
            row->setOnOpen([self, origin] {
                if (self)
                    self->openEntity(origin);
            });
            insert.view(row);
        }
        insert.space(10);
    }
    fitColumn();
}

} // namespace vesk
