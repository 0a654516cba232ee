#pragma once

#include "DaemonClient.h"
#include "InboxText.h"
#include "Origin.h"
#include "Page.h"

#include <QList>
#include <QPointer>
#include <functional>

namespace vesk {

class Clock;
class InkLabel;
class LoadingSection;
class MergeCard;
class MergeJudge;

// "What it knows about you": the merge questions waiting on the user, as cards, and what the
// daemon recognises, grouped by kind with a strength bar. Each part fills from its own request and
// fails on its own, with a retry that rebuilds the whole inbox.
class InboxPage : public Page {
    Q_OBJECT
public:
    // A recognised item opens its entity page with this.
    using OpenEntity = std::function<void(const Origin& origin)>;

    // `clock` dates "last seen".
    InboxPage(ScrollColumn& column, DaemonClient& client, MergeJudge& judge, Clock& clock, OpenEntity openEntity);

    QString hint() const override { return QStringLiteral("esc to close"); }
    std::optional<EntityText::BackTo> returnsAs() const override { return EntityText::BackTo::inbox; }
    Height height() const override { return Height::expanded; }
    // Sends `proposals` and `top`, also when the user comes back to the inbox.
    void open() override;

private:
    // The proposals, read off the main thread; nothing: no reply.
    void waiting(const std::optional<QList<InboxText::Proposal>>& reply);
    // Builds the first of `pending` as cards at the end of `stack`, and the rest later.
    void addCards(QWidget* stack, QList<InboxText::Proposal> pending);
    void recognised(const Reply& reply);
    // After a judgment: the card, and after a merge every other card naming the entity it
    // removed, no longer wait; the heading and the footer count what still does.
    void settle(MergeCard* settled, std::optional<qint64> entity);

    DaemonClient& client;
    MergeJudge& judge;
    Clock& clock;
    OpenEntity openEntity;
    LoadingSection* waitingOnYou = nullptr;
    LoadingSection* knows = nullptr;
    // The cards still waiting on the user, out of `total` proposals.
    QList<QPointer<MergeCard>> cards;
    qsizetype total = 0;
    InkLabel* footer = nullptr;
};

} // namespace vesk
