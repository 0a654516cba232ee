#pragma once

#include "ColumnInsert.h"
#include "Generation.h"

#include <QScrollArea>

class QVBoxLayout;

namespace vesk {

// A scrolling column of views stacked from the top, spacing 3. Every view is as wide as the column
// is now: views are laid out from the column's live width and again on every change of it (the
// panel resized, the inspector opened, a scroll bar appearing), so nothing keeps the width it was
// built at. The content is replaced as a whole by reset(); objects parented to content() (the
// pages that fill it) go with it. The column keeps its own stale-reply counter: every reset, and
// every moveOn(), makes the tickets it handed out before stale, so a late reply for a view of this
// column is dropped while the other columns of the window keep theirs.
class ScrollColumn : public QScrollArea {
    Q_OBJECT
public:
    // `sideMargin` is kept free on both sides of the views.
    explicit ScrollColumn(int sideMargin, QWidget* parent = nullptr);

    // Appends a view and shows it at once, so the column is complete when the call returns.
    void add(QWidget* view);
    void space(int height);
    // Puts views directly below `anchor`, each below the one before.
    ColumnInsert insertAfter(QWidget* anchor) const;
    // An empty content in place of the old one. The old one goes once the event loop is back, since
    // a button in it may be the one whose click is rebuilding the column. Replies for the old
    // content are stale from now on.
    void reset();
    // Replies for what the column shows are stale from now on, although it stays on screen until
    // the next reset (a search keeps the results it replaces until it has its own).
    void moveOn() { generation.next(); }
    // The ticket of the view the column shows now.
    Generation::Ticket ticket() const { return generation.ticket(); }
    void scrollToTop();

    // The parent of everything shown now.
    QWidget* content() const { return widget(); }

    // The margin right of the views while no scroll bar shows, where the bar would stand: a column
    // set closer to the window's edge than to its other side for the bar keeps its sides even.
    void setBarlessMargin(int right);

private:
    void applyMargins();

    QVBoxLayout* layout = nullptr;
    int margin;
    int barless;
    Generation generation;
};

} // namespace vesk
