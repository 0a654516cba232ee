#pragma once

#include "DaemonClient.h"
#include "EntityText.h"
#include "Origin.h"

#include <QObject>
#include <functional>

namespace vesk {

class Clock;
class InkLabel;
class LoadingSection;
class MergeJudge;
class Row;
class ScrollColumn;

// One entity's page: the way back, its name and counts, and three parts that its own requests
// fill: whether it may be the same thing as another name (pending merge questions), what it
// connects to (a one-hop graph and the relations listed with where they came from), and where it
// came from (its sources, grouped). Each part says why it stays empty when it does.
class EntityPage : public QObject {
    Q_OBJECT
public:
    struct Callbacks {
        std::function<void()> back;
        std::function<void(const Origin& origin)> openEntity;
        // A source group's frame, and the group's row to mark while the frame is shown.
        std::function<void(qint64 frame, const Origin& origin, Row* row)> openFrame;
    };

    // Appends the page to the column and sends `proposals`, `relations` and `why`.
    EntityPage(ScrollColumn& column, DaemonClient& client, MergeJudge& judge, const Origin& origin,
               EntityText::BackTo backTo, Callbacks callbacks, QObject* parent);

private:
    void proposals(const Reply& reply);
    void relations(const Reply& reply);
    void sources(const Reply& reply);

    ScrollColumn& column;
    MergeJudge& judge;
    Origin origin;
    Callbacks callbacks;
    InkLabel* subtitle;
    LoadingSection* same;
    LoadingSection* connects;
    LoadingSection* cameFrom;
};

} // namespace vesk
