#include "ScrollColumn.h"

#include <QScrollBar>
#include <QVBoxLayout>

namespace vesk {

ScrollColumn::ScrollColumn(int sideMargin, QWidget* parent)
    : QScrollArea(parent)
    , margin(sideMargin)
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The rows inside take the keyboard; the area itself is only a frame around them.
    setFocusPolicy(Qt::NoFocus);
    viewport()->setAutoFillBackground(false);
    reset();
}

void ScrollColumn::reset()
{
    generation.next();
    auto* fresh = new QWidget;
    layout = new QVBoxLayout(fresh);
    layout->setContentsMargins(margin, 0, margin, 0);
    layout->setSpacing(3);
    // Short content sits at the top. A stretch rather than an alignment: an aligned layout would
    // measure wrapped text at its preferred width, not the width it is given.
    layout->addStretch(1);
    QWidget* old = takeWidget();
    setWidget(fresh);
    fresh->setAutoFillBackground(false); // setWidget turns it on; the window paints the background
    if (old) {
        old->hide();
        old->deleteLater();
    }
}

void ScrollColumn::add(QWidget* view)
{
    layout->insertWidget(layout->count() - 1, view);
    view->show();
}

void ScrollColumn::space(int height)
{
    layout->insertSpacing(layout->count() - 1, height);
}

ColumnInsert ScrollColumn::insertAfter(QWidget* anchor) const
{
    return ColumnInsert(layout, anchor);
}

void ScrollColumn::scrollToTop()
{
    verticalScrollBar()->setValue(0);
}

} // namespace vesk
