#pragma once

#include "DaemonClient.h"
#include "EntityText.h"
#include "InboxText.h"
#include "Origin.h"
#include "Page.h"

#include <QPointer>
#include <functional>

namespace vesk {

class Alerts;
class InkButton;
class InkLabel;
class LoadingSection;
class NeighbourhoodView;
class MergeJudge;
class Row;

// One entity's page: the way back, its name and counts, and three parts that its own requests
// fill: whether it may be the same thing as another name (pending merge questions), what it
// connects to (a one-hop graph and the relations listed with where they came from), and where it
// came from (its sources, grouped). Each part says why it stays empty when it does. A source group
// opens its frame in the inspector and stays marked while the frame is shown. The page renames its
// entity and removes relations that are wrong (from the list, or by a click near a line of the
// graph), each confirmed by the daemon before it shows; it hands forgetting to its coordinator.
class EntityPage : public Page {
    Q_OBJECT
public:
    struct Callbacks {
        std::function<void()> back;
        std::function<void(const Origin& origin)> openEntity;
        std::function<void(qint64 frame, const Origin& origin)> openFrame;
        // "Forget everything about this", with its button.
        std::function<void(const Origin& origin, QWidget* button)> forget;
        // The daemon named the entity otherwise than the label the page was opened with.
        std::function<void(const QString& name)> named;
        // The entity's page opened again as a new page (after a rename, or a relation of the graph
        // removed), with `note` at its top.
        std::function<void(const Origin& origin, const QString& note)> reopen;
    };

    // A page whose back row reads for `backTo`, with `note` at its very top; its dialogs go
    // through `alerts`.
    EntityPage(ScrollColumn& column, DaemonClient& client, Alerts& alerts, MergeJudge& judge, const Origin& origin,
               EntityText::BackTo backTo, Callbacks callbacks, const QString& note = {});

    QString hint() const override { return QStringLiteral("esc to go back"); }
    // Tall enough for its three parts, however it was reached (from a reminder the panel was compact).
    Height height() const override { return Height::expanded; }
    // Sends `proposals`, `relations` and `why`.
    void open() override;

private:
    // Each reply is read on the way, off the main thread; nothing: no reply.
    void proposals(const QList<InboxText::Proposal>& all);
    void relations(const std::optional<EntityText::Relations>& found);
    void sources(const std::optional<EntityText::Sources>& found);
    void startRename();
    // A relation of the list: removed at once, the row faded and the graph drawn without it once
    // the daemon confirms it.
    void rejectRelation(qint64 edgeId, Row* row, InkButton* button);
    // The graph and its caption without the relation `edgeId`, once the daemon removed it.
    void dropFromGraph(qint64 edgeId);
    // A relation of the graph: removed after a confirmation, the page drawn again without it.
    void confirmRejectRelation(const EntityText::Neighbour& neighbour);

    DaemonClient& client;
    Alerts& alerts;
    MergeJudge& judge;
    Origin origin;
    EntityText::BackTo backTo;
    Callbacks callbacks;
    // Shown once at the top of the page, over a page reopened after a rename.
    QString note;
    InkLabel* backLine = nullptr;
    InkLabel* title = nullptr;
    InkLabel* subtitle = nullptr;
    LoadingSection* same = nullptr;
    LoadingSection* connects = nullptr;
    // The graph, while one is drawn: it follows a retitle, and loses a relation removed from the
    // list. The neighbours it may draw and the total of the caption under it go with it.
    QPointer<NeighbourhoodView> graph;
    QPointer<InkLabel> caption;
    QList<EntityText::Neighbour> neighbours;
    qint64 total = 0;
    LoadingSection* cameFrom = nullptr;
};

} // namespace vesk
