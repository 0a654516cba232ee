#include "Row.h"

#include "Ink.h"
#include "InkView.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <algorithm>

namespace vesk {

namespace {
constexpr int side = 7;
constexpr int edge = 6;
constexpr int gap = 2;

// The texts a row shows, one per visible label, top to bottom, without the spacing that only
// places them.
QStringList shownLines(const QWidget& row)
{
    QStringList out;
    for (const QLabel* label : row.findChildren<QLabel*>()) {
        const QString text = label->text().simplified();
        if (!text.isEmpty() && label->isVisibleTo(&row))
            out << text;
    }
    return out;
}

bool holdsControls(const QWidget& row)
{
    const QList<QWidget*> inside = row.findChildren<QWidget*>();
    return std::any_of(inside.begin(), inside.end(), [](const QWidget* w) { return w->focusPolicy() != Qt::NoFocus; });
}
} // namespace

// A row that opens something reads as a button, one that only shows text reads as that text: its
// first line is its name and the others its description, so its labels are not read a second time
// as objects of their own. A row holding controls (a merge card) is a group named by its first
// line, and the reader enters it to reach them.
class RowAccessible : public QAccessibleWidget {
public:
    explicit RowAccessible(Row* row)
        : QAccessibleWidget(row)
    {
    }

    QAccessible::Role role() const override
    {
        if (row().opens())
            return QAccessible::Button;
        return grouping() ? QAccessible::Grouping : QAccessible::StaticText;
    }
    QString text(QAccessible::Text t) const override
    {
        const QString own = QAccessibleWidget::text(t);
        if (!own.isEmpty() || (t != QAccessible::Name && t != QAccessible::Description))
            return own;
        const QStringList lines = shownLines(row());
        if (t == QAccessible::Name)
            return lines.value(0);
        return grouping() ? QString() : lines.mid(1).join(QStringLiteral(" · "));
    }
    int childCount() const override { return grouping() ? QAccessibleWidget::childCount() : 0; }
    QAccessibleInterface* child(int index) const override
    {
        return grouping() ? QAccessibleWidget::child(index) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return grouping() ? QAccessibleWidget::indexOfChild(child) : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        return grouping() ? QAccessibleWidget::childAt(x, y) : nullptr;
    }
    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        if (row().opens())
            names.prepend(pressAction());
        return names;
    }
    void doAction(const QString& name) override
    {
        if (name == pressAction() && row().opens())
            row().open();
        else
            QAccessibleWidget::doAction(name);
    }

private:
    Row& row() const { return *static_cast<Row*>(widget()); }
    bool grouping() const { return !row().opens() && holdsControls(row()); }
};

namespace {
QAccessibleInterface* rowInterface(const QString&, QObject* object)
{
    Row* row = qobject_cast<Row*>(object);
    return row ? new RowAccessible(row) : nullptr;
}
} // namespace

// The views are placed by the row itself rather than by a layout object: a list holds hundreds of
// rows, and each one's own layout was most of what drawing a list cost.
Row::Row(const QList<QWidget*>& views, Frame frame, QWidget* parent)
    : QWidget(parent)
    , views(views)
    , frame(frame)
{
    for (QWidget* view : views)
        view->setParent(this);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setFocusPolicy(Qt::NoFocus);
    // Installed with the first row, before anything can ask how a row reads.
    static const bool readable = (QAccessible::installFactory(rowInterface), true);
    Q_UNUSED(readable);
}

void Row::setOpens(bool opens)
{
    opening = opens;
    setCursor(opening ? Qt::PointingHandCursor : Qt::ArrowCursor);
    setFocusPolicy(opening ? Qt::TabFocus : Qt::NoFocus);
    if (!opening)
        hovering = false;
    update();
}

void Row::setCited(bool cited)
{
    isCited = cited;
    update();
}

InkLayer Row::look() const
{
    InkLayer layer;
    layer.cornerRadius = 7;
    if (frame == Frame::plain) {
        if (hovering)
            layer.background = Ink::sunken().resolve(this);
        return layer;
    }
    layer.borderWidth = 1;
    if (isCited) {
        QColor fill = Ink::amber().resolve(this);
        fill.setAlphaF(hovering ? 0.3f : 0.2f);
        QColor border = Ink::amber().resolve(this);
        border.setAlphaF(0.55f);
        layer.background = fill;
        layer.border = border;
    } else if (hovering) {
        layer.background = Ink::sunken().resolve(this);
        layer.border = Ink::line().resolve(this);
    } else {
        layer.background = Ink::surface().resolve(this);
        layer.border = Ink::lineSoft().resolve(this);
    }
    return layer;
}

int Row::viewHeight(const QWidget* view, int width) const
{
    const int h = view->hasHeightForWidth() ? view->heightForWidth(width) : view->sizeHint().height();
    return std::clamp(h, view->minimumHeight(), view->maximumHeight());
}

int Row::heightForWidth(int width) const
{
    if (width == measuredWidth)
        return measuredHeight;
    const int inner = std::max(width - 2 * side, 0);
    int height = 2 * edge;
    int shown = 0;
    for (const QWidget* view : views) {
        if (view->isHidden())
            continue;
        height += viewHeight(view, inner) + (shown++ > 0 ? gap : 0);
    }
    measuredWidth = width;
    measuredHeight = height;
    return height;
}

QSize Row::sizeHint() const
{
    int width = 0;
    for (const QWidget* view : views)
        if (!view->isHidden())
            width = std::max(width, view->sizeHint().width());
    width += 2 * side;
    // A row not placed yet has Qt's default size, a width no layout will give it: its height is
    // measured at its own width instead, which the layout asks for anyway.
    const bool placed = testAttribute(Qt::WA_Resized) && this->width() > 0;
    return QSize(width, heightForWidth(placed ? this->width() : width));
}

QSize Row::minimumSizeHint() const
{
    return QSize(2 * side, 2 * edge);
}

void Row::place()
{
    const int inner = std::max(width() - 2 * side, 0);
    int y = edge;
    for (QWidget* view : views) {
        if (view->isHidden())
            continue;
        const int h = viewHeight(view, inner);
        view->setGeometry(side, y, inner, h);
        y += h + gap;
    }
}

void Row::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    place();
}

bool Row::event(QEvent* event)
{
    // A view changed its size or was shown or hidden: the row's own height may change with it.
    // A view may also have changed while the row was hidden, which posts nothing.
    if (event->type() == QEvent::Show)
        measuredWidth = -1;
    if (event->type() == QEvent::LayoutRequest) {
        measuredWidth = -1;
        updateGeometry();
        place();
        return true;
    }
    return QWidget::event(event);
}

void Row::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    look().draw(painter, QRectF(rect()));
    if (hasFocus()) {
        InkLayer ring;
        ring.cornerRadius = 7;
        ring.borderWidth = 2;
        ring.border = Ink::agent().resolve(this);
        ring.draw(painter, QRectF(rect()));
    }
}

void Row::open()
{
    emit opened();
}

void Row::mousePressEvent(QMouseEvent* event)
{
    if (!opening || event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    open();
}

void Row::keyPressEvent(QKeyEvent* event)
{
    const bool plainKey = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (opening && plainKey) {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            open();
            return;
        case Qt::Key_Up:
        case Qt::Key_Left:
            focusNextPrevChild(false);
            return;
        case Qt::Key_Down:
        case Qt::Key_Right:
            focusNextPrevChild(true);
            return;
        default:
            break;
        }
    }
    QWidget::keyPressEvent(event);
}

void Row::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    if (opening) {
        hovering = true;
        update();
    }
}

void Row::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    if (hovering) {
        hovering = false;
        update();
    }
}

void Row::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void Row::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

void Row::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (isAppearanceEvent(event))
        update();
}

} // namespace vesk
