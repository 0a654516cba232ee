#include "InkButton.h"

#include "Ink.h"
#include "InkView.h"
#include "OStyle.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QPainter>
#include <algorithm>

namespace vesk {

QString escapeMnemonic(const QString& title)
{
    QString out = title;
    out.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return out;
}

InkButton* InkButton::make(const QString& title, std::optional<Tone> tone, std::function<void()> action,
                           QWidget* parent)
{
    auto* button = new InkButton(parent);
    button->setText(escapeMnemonic(title));
    button->setFont(OStyle::font(11, tone == Tone::primary ? OStyle::Weight::Semibold : OStyle::Weight::Medium));
    if (action)
        QObject::connect(button, &QPushButton::clicked, button, [action = std::move(action)] { action(); });
    button->setTone(tone);
    return button;
}

InkButton::InkButton(QWidget* parent)
    : QPushButton(parent)
{
    setFlat(true);
    setAttribute(Qt::WA_Hover);
    // Reached with Tab; a click leaves the keyboard where the user was typing.
    setFocusPolicy(Qt::TabFocus);
    // As wide as its title: a column's layout never stretches it across.
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    updateCursor();
}

void InkButton::setPaint(Paint p)
{
    paint = std::move(p);
    repaint();
}

void InkButton::setTone(std::optional<Tone> t)
{
    tone = t;
    repaint();
}

void InkButton::repaint()
{
    resolve();
    update();
}

QColor InkButton::titleColour() const
{
    if (!tone)
        return Ink::text().resolve(this);
    switch (*tone) {
    case Tone::primary:
        return Ink::ground().resolve(this);
    case Tone::destructive:
        return Ink::flag().resolve(this);
    case Tone::quiet:
        break;
    }
    return Ink::text2().resolve(this);
}

void InkButton::resolve()
{
    current = InkLayer{};
    if (!tone) {
        if (paint)
            paint(current, *this);
        return;
    }
    current.borderWidth = 1.0;
    current.cornerRadius = 5.0;
    switch (*tone) {
    case Tone::quiet:
        current.background = (hovering ? Ink::sunken() : Ink::surface()).resolve(this);
        current.border = Ink::line().resolve(this);
        break;
    case Tone::primary:
        current.background = (hovering ? Ink::text2() : Ink::text()).resolve(this);
        current.border = current.background;
        break;
    case Tone::destructive: {
        current.background = Ink::flagBg().resolve(this);
        QColor border = Ink::flag().resolve(this);
        border.setAlphaF(hovering ? 0.85f : 0.55f);
        current.border = border;
        break;
    }
    }
}

QSize InkButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    const QString shown = QString(text()).replace(QStringLiteral("&&"), QStringLiteral("&"));
    // Two spaces' width on each side of the title.
    return QSize(metrics.horizontalAdvance(QStringLiteral("    ") + shown) + 8, metrics.height() + 8);
}

void InkButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!isEnabled())
        painter.setOpacity(0.45);
    current.draw(painter, QRectF(rect()));
    if (hasFocus()) {
        InkLayer ring;
        ring.cornerRadius = std::max(current.cornerRadius, 5.0);
        ring.borderWidth = 2;
        ring.border = Ink::agent().resolve(this);
        ring.draw(painter, QRectF(rect()));
    }
    painter.setPen(titleColour());
    painter.setFont(font());
    // Draw the title ourselves: the style's flat button would add its own frame and colours.
    const QString shown = QString(text()).replace(QStringLiteral("&&"), QStringLiteral("&"));
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, shown);
}

void InkButton::keyPressEvent(QKeyEvent* event)
{
    // Return opens a focused button as Space does; outside a dialog Qt leaves Return alone.
    const bool plainKey = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plainKey && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        click();
        return;
    }
    QPushButton::keyPressEvent(event);
}

void InkButton::changeEvent(QEvent* event)
{
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        updateCursor();
    if (isAppearanceEvent(event))
        repaint();
}

void InkButton::enterEvent(QEnterEvent* event)
{
    QPushButton::enterEvent(event);
    hovering = true;
    repaint();
}

void InkButton::leaveEvent(QEvent* event)
{
    QPushButton::leaveEvent(event);
    hovering = false;
    repaint();
}

bool InkButton::event(QEvent* event)
{
    const bool handled = QPushButton::event(event);
    if (event->type() == QEvent::ParentChange || event->type() == QEvent::Show)
        repaint();
    return handled;
}

void InkButton::updateCursor()
{
    if (isEnabled())
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
}

} // namespace vesk
