#pragma once

#include "EntityText.h"

#include <QList>
#include <QPointF>
#include <QWidget>
#include <optional>

namespace vesk {

class InkButton;

// One hop around an entity: its label in the middle, up to five neighbours around it, joined by
// lines that carry the relation's wording. The view takes the width its column gives it and
// places everything again when that width changes. A neighbour's chip opens it (Tab reaches the
// chips; Return or Space opens one); a click on the background picks the nearest relation line. A
// screen reader reads each chip by its neighbour's whole name and kind.
class NeighbourhoodView : public QWidget {
    Q_OBJECT
public:
    using Neighbour = EntityText::Neighbour;

    static constexpr int nodeW = 116;
    static constexpr int nodeH = 26;
    static constexpr qsizetype maxShown = 5;
    // How close to a line's midpoint a background click must land to pick that line.
    static constexpr double pickRadius = 34;

    NeighbourhoodView(const QString& centre, const QList<Neighbour>& neighbours, QWidget* parent = nullptr);

    // The entity's name once the daemon gives it, where the page opened under another label.
    void setCentre(const QString& name)
    {
        centre = name;
        setAccessibleName(name);
        update();
    }

    // The neighbours drawn from now on (the first maxShown of them): a relation removed elsewhere
    // on the page leaves the graph, and the next neighbour takes its place.
    void setNeighbours(const QList<Neighbour>& neighbours);

    // The height for a number of drawn neighbours.
    static int heightFor(qsizetype shown) { return shown < 3 ? 150 : 230; }
    // Chip centres, top-down, for `count` neighbours in a view of this size: one sits straight
    // above the centre, two to its left and right, more on an ellipse from the top, clockwise.
    static QList<QPointF> layout(qsizetype count, int width, int height);

    // The neighbour whose line's midpoint is nearest to `at`, when nearer than pickRadius.
    std::optional<Neighbour> edgeAt(const QPointF& at) const;

    QSize sizeHint() const override;

signals:
    // A neighbour's chip was pressed.
    void neighbourOpened(const vesk::EntityText::Neighbour& neighbour);
    // A click on the background picked the relation line to this neighbour.
    void relationPicked(const vesk::EntityText::Neighbour& neighbour);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Places the chips for the current width and neighbours.
    void place();

    QString centre;
    QList<Neighbour> shown;
    QList<QPointF> points;
    QList<InkButton*> chips;
};

} // namespace vesk
