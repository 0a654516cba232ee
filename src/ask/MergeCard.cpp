#include "MergeCard.h"

#include "DaemonClient.h"
#include "InkButton.h"
#include "InkLabel.h"
#include "Json.h"
#include "MemoryEditText.h"
#include "OStyle.h"
#include "Phrases.h"
#include "WholeText.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace vesk {

namespace {

QWidget* buttonRow(QWidget* left, InkButton* button)
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    if (left)
        layout->addWidget(left, 1, Qt::AlignVCenter);
    layout->addWidget(button, 0, Qt::AlignVCenter);
    if (!left)
        layout->addStretch(1);
    return row;
}

} // namespace

MergeCard::MergeCard(const InboxText::Proposal& pair, Style style, Judge onJudge, QWidget* parent)
    : QWidget(parent)
    , proposal(pair)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(style == Style::inbox ? 10 : 4);
    layout->addWidget(
        new InkLabel(QStringLiteral("Do these names refer to the same thing?"), Ink::text(), OStyle::font(13.5)));
    if (style == Style::inbox)
        layout->addWidget(new InkLabel(InboxText::methodLine(pair.method), Ink::muted(), OStyle::monoSmall()));

    const struct {
        qint64 entity;
        QString name;
        std::optional<qint64> count;
    } sides[] = {{pair.aId, pair.a, pair.an}, {pair.bId, pair.b, pair.bn}};
    for (const auto& side : sides) {
        auto* names = new QWidget;
        auto* namesLayout = new QVBoxLayout(names);
        namesLayout->setContentsMargins(0, 0, 0, 0);
        namesLayout->setSpacing(3);
        // A name wraps over a few lines at most: laying out pages of one name holds the panel. The
        // tool tip holds the whole name.
        auto* name = new InkLabel(cutWithEllipsis(side.name, 300), Ink::text(), OStyle::font(13.5));
        name->setToolTip(WholeText::tip(side.name));
        namesLayout->addWidget(name);
        namesLayout->addWidget(
            new InkLabel(countPhrase(side.count, QStringLiteral("observation")), Ink::muted(), OStyle::monoSmall()));
        InkButton* use = InkButton::make(QStringLiteral("Use this name"), InkButton::Tone::quiet,
                                         [this, onJudge, keep = side.entity] { onJudge(this, keep); });
        use->setFixedHeight(28);
        use->setToolTip(WholeText::tip(QStringLiteral("Merge both items and keep the name: ") + side.name));
        buttons << use;
        layout->addWidget(buttonRow(names, use));
    }
    InkButton* apart = InkButton::make(QStringLiteral("Keep them separate"), InkButton::Tone::quiet,
                                       [this, onJudge] { onJudge(this, std::nullopt); });
    apart->setFixedHeight(28);
    buttons << apart;
    layout->addWidget(buttonRow(nullptr, apart));
    layout->addWidget(
        new InkLabel(QStringLiteral("Choosing a name merges both items. Keeping them separate rejects this match."),
                     Ink::muted(), OStyle::monoSmall()));
    feedback = new InkLabel(QString(), Ink::muted(), OStyle::monoSmall());
    feedback->hide();
    layout->addWidget(feedback);
}

void MergeCard::enableButtons(bool enabled)
{
    for (InkButton* button : buttons)
        button->setEnabled(enabled);
}

void MergeCard::saving()
{
    enableButtons(false);
    feedback->setColour(Ink::text2());
    feedback->setText(QStringLiteral("Saving your decision…"));
    feedback->show();
}

void MergeCard::failed(const Reply& reply)
{
    enableButtons(true);
    feedback->setColour(Ink::flag());
    feedback->setText(
        MemoryEditText::withDaemonWords(QStringLiteral("Could not confirm this decision. Try again."), reply));
    feedback->show();
}

void MergeCard::replaceWith(const QString& text)
{
    // The buttons may be the sender of the click being handled: they go once the event loop is back.
    QLayout* layout = this->layout();
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (QWidget* view = item->widget()) {
            view->hide();
            view->deleteLater();
        }
        delete item;
    }
    buttons.clear();
    feedback = nullptr;
    layout->addWidget(new InkLabel(text, Ink::muted(), OStyle::monoSmall()));
}

MergeJudge::MergeJudge(DaemonClient& client, QObject* parent)
    : QObject(parent)
    , client(client)
{
}

void MergeJudge::judge(MergeCard* card, std::optional<qint64> keep, Generation::Ticket ticket,
                       std::function<void(MergeCard*, std::optional<qint64>)> settled)
{
    const qint64 id = card->pair().id;
    if (inFlight.contains(id))
        return;
    inFlight.insert(id);
    card->saving();
    const QPointer<MergeCard> shown(card);
    auto onCard = whileCurrent(std::move(ticket), [shown, settled, keep](Reply reply) {
        if (!shown)
            return;
        if (!Json::isKind(reply, u"ok")) {
            shown->failed(reply);
            return;
        }
        shown->replaceWith(keep ? QStringLiteral("merged") : QStringLiteral("kept apart"));
        bool ok = false;
        const qint64 named
            = Json::string(*reply, u"state").value_or(QString()).section(QLatin1Char(':'), -1).toLongLong(&ok);
        if (settled)
            settled(shown, ok ? std::optional<qint64>(named) : std::nullopt);
    });
    client.judgeMerge(id, keep, this, [this, id, onCard = std::move(onCard)](Reply reply) mutable {
        // Freed whatever the panel shows now, so the proposal can be judged again.
        inFlight.remove(id);
        onCard(reply);
    });
}

} // namespace vesk
