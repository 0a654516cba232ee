#pragma once

#include "DaemonClient.h"
#include "Origin.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>
#include <functional>

namespace vesk {

class LoadingSection;
class MergeCard;
class MergeJudge;
class ScrollColumn;

// "What it knows about you": the merge questions waiting on the user, as cards, and what the
// daemon recognises, grouped by kind with a strength bar. Each part fills from its own request and
// fails on its own, with a retry that rebuilds the whole inbox.
class InboxPage : public QObject {
    Q_OBJECT
public:
    struct Callbacks {
        std::function<void()> retry;
        std::function<void(const Origin& origin)> openEntity;
    };

    // Appends the inbox to the column and sends `proposals` and `top`; `now` dates "last seen".
    InboxPage(ScrollColumn& column, DaemonClient& client, MergeJudge& judge, const QDateTime& now, Callbacks callbacks,
              QObject* parent);

private:
    void waiting(const Reply& reply);
    void recognised(const Reply& reply);
    // After a merge: every other card naming the entity it removed no longer applies.
    void retire(qint64 entity, MergeCard* except);

    ScrollColumn& column;
    MergeJudge& judge;
    QDateTime now;
    Callbacks callbacks;
    LoadingSection* waitingOnYou;
    LoadingSection* knows;
    QList<QPointer<MergeCard>> cards;
};

} // namespace vesk
