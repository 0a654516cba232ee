#include "ScrollColumn.h"

#include "Ink.h"

#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QVBoxLayout>

namespace vesk {

namespace {

// The style's scroll bar, painted in the palette: a thumb in the muted ink on the bare ground, so
// it stands out from its track in both appearances.
class InkScrollBar : public QScrollBar {
public:
    using QScrollBar::QScrollBar;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QStyleOptionSlider option;
        initStyleOption(&option);
        const QRect thumb = style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(Ink::muted().resolve(this));
        const QRectF body = QRectF(thumb).adjusted(3, 2, -3, -2);
        p.drawRoundedRect(body, body.width() / 2, body.width() / 2);
    }
};

} // namespace

ScrollColumn::ScrollColumn(int sideMargin, QWidget* parent)
    : QScrollArea(parent)
    , margin(sideMargin)
    , barless(sideMargin)
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBar(new InkScrollBar(Qt::Vertical, this));
    // The rows inside take the keyboard; the area itself is only a frame around them.
    setFocusPolicy(Qt::NoFocus);
    viewport()->setAutoFillBackground(false);
    reset();
    connect(verticalScrollBar(), &QScrollBar::rangeChanged, this, &ScrollColumn::applyMargins);
}

void ScrollColumn::setBarlessMargin(int right)
{
    barless = right;
    applyMargins();
}

void ScrollColumn::applyMargins()
{
    layout->setContentsMargins(margin, 0, verticalScrollBar()->maximum() > 0 ? margin : barless, 0);
}

void ScrollColumn::reset()
{
    generation.next();
    auto* fresh = new QWidget;
    layout = new QVBoxLayout(fresh);
    applyMargins();
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
