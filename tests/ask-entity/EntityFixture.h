#pragma once

#include "AskFixture.h"
#include "FrameView.h"
#include "NeighbourhoodView.h"
#include "Row.h"

#include <QJsonArray>

namespace vesk::test {

// The ask window's fixture with the views of entity pages, frames and the inbox at hand.
struct EntityFixture : AskFixture {
    EntityFixture() { window.show(); }

    // Visible rows of the result column, top to bottom, folded details included.
    QList<Row*> rows() const
    {
        QList<Row*> out;
        for (Row* row : window.stackView->findChildren<Row*>())
            if (row->isVisibleTo(window.stackView))
                out << row;
        return out;
    }
    Row* rowWith(const QString& text) const
    {
        for (Row* row : rows())
            for (QLabel* label : row->findChildren<QLabel*>())
                if (label->text() == text)
                    return row;
        return nullptr;
    }
    NeighbourhoodView* graph() const { return window.stackView->findChild<NeighbourhoodView*>(); }
    FrameView* frame() const { return window.inspector->findChild<FrameView*>(QStringLiteral("frameView")); }
    QStringList inspectorTexts() const
    {
        QStringList out;
        for (QLabel* label : window.inspector->findChildren<QLabel*>())
            if (label->isVisibleTo(window.inspector))
                out << label->text();
        return out;
    }
    // An entity page for `label` whose three requests get these replies (a null reply: refused).
    void page(const QString& label, const QJsonObject& relations, const QJsonObject& why = {},
              const QJsonObject& proposals = {})
    {
        daemon.reply(QStringLiteral("relations"), relations.isEmpty() ? json(R"({"kind":"error"})") : relations);
        daemon.reply(QStringLiteral("why"), why.isEmpty() ? json(R"({"kind":"error"})") : why);
        daemon.reply(QStringLiteral("proposals"), proposals.isEmpty() ? json(R"({"kind":"proposals"})") : proposals);
        window.openEntity(Origin{1, label, QStringLiteral("project"), 3});
    }
};

inline QJsonObject edge(qint64 other, const QString& label, const QString& phrase, bool withEdgeId = true,
                        qint64 sources = 1)
{
    QJsonObject e{{"other_id", other}, {"other_label", label}, {"phrase", phrase}, {"other_sources", sources},
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
