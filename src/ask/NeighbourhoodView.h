#pragma once

#include "EntityText.h"

#include <QList>
#include <QPointF>
#include <QWidget>
#include <functional>

namespace vesk {

class InkButton;

// One hop around an entity: its label in the middle, up to five neighbours on an ellipse around
// it, joined by lines that carry the relation's wording. A neighbour's chip opens it; a click on
// the background picks the nearest relation line.
class NeighbourhoodView : public QWidget {
    Q_OBJECT
public:
    using Neighbour = EntityText::Neighbour;

    static constexpr int nodeW = 116;
    static constexpr int nodeH = 26;
    static constexpr qsizetype maxShown = 5;
    // How close to a line's midpoint a background click must land to pick that line.
    static constexpr double pickRadius = 34;

    NeighbourhoodView(const QString& centre, const QList<Neighbour>& neighbours, int width,
                      std::function<void(const Neighbour&)> onOpen,
                      std::function<void(const Neighbour&, NeighbourhoodView*)> onReject, QWidget* parent = nullptr);

    // The height for a number of drawn neighbours.
    static int heightFor(qsizetype shown) { return shown < 3 ? 150 : 230; }
    // Chip centres, top-down, for `count` neighbours in a view of this size: the first straight
    // above the centre, the rest clockwise.
    static QList<QPointF> layout(qsizetype count, int width, int height);

    // The neighbour whose line's midpoint is nearest to `at`, when nearer than pickRadius.
    std::optional<qsizetype> edgeAt(const QPointF& at) const;

    QString centre;
    QList<Neighbour> shown;
    QList<QPointF> points;
    QList<InkButton*> chips;
    std::function<void(const Neighbour&)> onOpen;
    std::function<void(const Neighbour&, NeighbourhoodView*)> onReject;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
};

} // namespace vesk
