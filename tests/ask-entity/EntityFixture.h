#pragma once

#include "AskFixture.h"
#include "FrameView.h"
#include "NeighbourhoodView.h"

#include <QDeadlineTimer>
#include <chrono>
#include <thread>

namespace vesk::test {

// The ask window's fixture with the views of entity pages, frames and the inbox at hand.
struct EntityFixture : AskFixture {
    EntityFixture() { window.show(); }

    NeighbourhoodView* graph() const { return results()->findChild<NeighbourhoodView*>(); }
    // A graph's chips, in the order of its neighbours.
    QList<InkButton*> chips() const { return graph() ? graph()->findChildren<InkButton*>() : QList<InkButton*>(); }
    FrameView* frame() const { return inspector()->findChild<FrameView*>(); }
    // An entity page for `label` whose three requests get these replies (a null reply: refused).
    void page(const QString& label, const QJsonObject& relations, const QJsonObject& why = {},
              const QJsonObject& proposals = {})
    {
        daemon.reply(QStringLiteral("relations"), relations.isEmpty() ? json(R"({"kind":"error"})") : relations);
        daemon.reply(QStringLiteral("why"), why.isEmpty() ? json(R"({"kind":"error"})") : why);
        daemon.reply(QStringLiteral("proposals"), proposals.isEmpty() ? json(R"({"kind":"proposals"})") : proposals);
        window.showEntity(1, label, QStringLiteral("project"), 3);
    }
    // Leaves the view on screen while its replies are on their way: `leave` runs once every request
    // sent so far has been answered and handed to the main thread, before any of those replies is
    // applied. The label reading `unchanged` belongs to the view left: it still exists when the
    // replies arrive, and must read the same afterwards.
    template <class Leave> void leaveWithRepliesQueued(const QString& unchanged, Leave leave)
    {
        QPointer<QLabel> watched;
        for (QLabel* label : results()->findChildren<QLabel*>())
            if (label->text() == unchanged)
                watched = label;
        QVERIFY(watched);
        // Every reply to the requests made so far is handed to the main thread, none applied yet:
        // waited for without running the event loop, which would apply them.
        QDeadlineTimer deadline(5000);
        while (client.repliesHandedOver() < client.requestsMade() && !deadline.hasExpired())
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        QVERIFY(client.repliesHandedOver() >= client.requestsMade());
        leave();
        // The replies already handed over, but not the deletions the event loop still owes.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
        QVERIFY(watched);
        QCOMPARE(watched->text(), unchanged);
    }
};

inline QJsonObject edge(qint64 other, const QString& label, const QString& phrase, bool withEdgeId = true,
                        qint64 sources = 1)
{
    QJsonObject e{{"other_id", other},
                  {"other_label", label},
                  {"phrase", phrase},
                  {"other_sources", sources},
                  {"other_kind", "person"}};
    if (withEdgeId)
        e.insert("edge_id", other * 10);
    return e;
}

inline QJsonObject relationsReply(const QJsonArray& edges, std::optional<qint64> total = std::nullopt)
{
    QJsonObject r{{"kind", "relations"}, {"edges", edges}, {"state", "found"}};
    if (total)
        r.insert("total", *total);
    return r;
}

} // namespace vesk::test
