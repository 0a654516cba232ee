#pragma once

#include "DaemonClient.h"
#include "EntityText.h"
#include "Origin.h"
#include "Page.h"

#include <functional>

namespace vesk {

class InkLabel;
class LoadingSection;
class MergeJudge;

// One entity's page: the way back, its name and counts, and three parts that its own requests
// fill: whether it may be the same thing as another name (pending merge questions), what it
// connects to (a one-hop graph and the relations listed with where they came from), and where it
// came from (its sources, grouped). Each part says why it stays empty when it does. A source group
// opens its frame in the inspector and stays marked while the frame is shown.
class EntityPage : public Page {
    Q_OBJECT
public:
    struct Callbacks {
        std::function<void()> back;
        std::function<void(const Origin& origin)> openEntity;
        std::function<void(qint64 frame, const Origin& origin)> openFrame;
    };

    // A page whose back row reads for `backTo`.
    EntityPage(ScrollColumn& column, DaemonClient& client, MergeJudge& judge, const Origin& origin,
               EntityText::BackTo backTo, Callbacks callbacks);

    QString hint() const override { return QStringLiteral("esc to go back"); }
    // Sends `proposals`, `relations` and `why`.
    void open() override;

private:
    void proposals(const Reply& reply);
    void relations(const Reply& reply);
    void sources(const Reply& reply);

    DaemonClient& client;
    MergeJudge& judge;
    Origin origin;
    EntityText::BackTo backTo;
    Callbacks callbacks;
    InkLabel* subtitle = nullptr;
    LoadingSection* same = nullptr;
    LoadingSection* connects = nullptr;
    LoadingSection* cameFrom = nullptr;
};

} // namespace vesk
