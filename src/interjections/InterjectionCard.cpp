#include "InterjectionCard.h"

#include "InkButton.h"
#include "InkLabel.h"
#include "InkView.h"
#include "OStyle.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QTextLayout>
#include <QVBoxLayout>

namespace vesk {

namespace {

constexpr int spacing = 12;
constexpr int verticalPad = 16; // the card is its stack's height plus 32
constexpr double radius = 12;

QFont cardFont(double size, OStyle::Weight weight = OStyle::Weight::Regular)
{
    return OStyle::font(size, weight);
}

} // namespace

ClampedLabel::ClampedLabel(const QString& text, const InkColor& colour, const QFont& font, int width, int maxLines,
                           QWidget* parent)
    : QLabel(parent)
    , ink(&colour)
    , maxLines(maxLines)
{
    setFont(font);
    setTextFormat(Qt::PlainText);
    setFixedWidth(width);
    setText(text, colour);
}

void ClampedLabel::setText(const QString& text, const InkColor& colour)
{
    ink = &colour;
    // A label from the daemon or a window title can be any length; a card shows a few lines of it.
    const QString kept = InkLabel::capped(text, InkLabel::Fit::wrap);
    QLabel::setText(kept);
    setToolTip(kept);
    layOut();
    update();
}

// Breaks the text into the lines painted, once per text (the width is fixed).
void ClampedLabel::layOut()
{
    const QString all = text();
    QTextLayout layout(all, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    const QFontMetrics metrics(font());
    lines.clear();
    while (lines.size() < maxLines) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width());
        const bool last = lines.size() == maxLines - 1 && line.textStart() + line.textLength() < all.size();
        // The last visible line carries the rest of the text, cut with an ellipsis.
        lines.append(last ? metrics.elidedText(all.mid(line.textStart()).simplified(), Qt::ElideRight, width())
                          : all.mid(line.textStart(), line.textLength()).trimmed());
    }
    layout.endLayout();
    setFixedHeight(metrics.lineSpacing() * std::max<int>(static_cast<int>(lines.size()), 1));
}

void ClampedLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(ink->resolve(this));
    painter.setFont(font());
    const int step = QFontMetrics(font()).lineSpacing();
    for (int n = 0; n < lines.size(); ++n)
        painter.drawText(QRect(0, n * step, width(), step), Qt::AlignLeft | Qt::AlignVCenter, lines.at(n));
}

void ClampedLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (isAppearanceEvent(event))
        update();
}

InterjectionCard::InterjectionCard(const Content& content)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QStringLiteral("Vesk reminder"));

    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(inset, verticalPad, inset, verticalPad);
    stack->setSpacing(spacing);
    stack->setSizeConstraint(QLayout::SetFixedSize);
    auto add = [&](const QString& text, const InkColor& colour, const QFont& font, int lines) {
        auto* label = new ClampedLabel(text, colour, font, textWidth, lines, this);
        stack->addWidget(label);
        return label;
    };
    add(content.kicker, Ink::muted(), cardFont(10, OStyle::Weight::Semibold), 1);
    add(content.headline, Ink::text(), cardFont(17, OStyle::Weight::Semibold), 4);
    add(content.related, Ink::text2(), cardFont(12), 2);
    add(content.evidence, Ink::text2(), cardFont(11), 2);

    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    // The actions are given after the card is built: each button asks for its slot when clicked.
    const auto relay = [this](std::function<void()> Actions::*slot) {
        return [this, slot] {
            if (actions.*slot)
                (actions.*slot)();
        };
    };
    openButton = InkButton::make(QStringLiteral("Open sources"), InkButton::Tone::primary, relay(&Actions::open), this);
    laterButton = InkButton::make(QStringLiteral("Not now"), InkButton::Tone::quiet, relay(&Actions::later), this);
    for (InkButton* b : {openButton, laterButton}) {
        b->setFixedHeight(28);
        b->setFocusPolicy(Qt::NoFocus);
        row->addWidget(b);
    }
    row->addStretch();
    stack->addLayout(row);

    add(content.metrics, Ink::muted(), cardFont(10), 2);
    muteButton = InkButton::make(QStringLiteral("Don't remind me about this kind"), InkButton::Tone::quiet,
                                 relay(&Actions::mute), this);
    muteButton->setFixedHeight(28);
    muteButton->setFocusPolicy(Qt::NoFocus);
    stack->addWidget(muteButton, 0, Qt::AlignLeft);
    feedback = add(QString(), Ink::flag(), cardFont(11), 3);
    feedback->hide();
}

void InterjectionCard::place()
{
    layout()->activate();
    setFixedSize(cardWidth, layout()->sizeHint().height());
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    move(area.x() + area.width() - inset - cardWidth, area.y() + inset);
}

void InterjectionCard::showFeedback(const QString& text, bool isFailure)
{
    feedback->setText(text, isFailure ? Ink::flag() : Ink::text2());
    feedback->show();
    place();
}

void InterjectionCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    painter.fillPath(outline, Ink::surface().resolve(this));
    painter.setPen(QPen(Ink::line().resolve(this), 1.0));
    painter.drawPath(outline);
}

void InterjectionCard::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // Rounded corners without depending on a compositing window manager.
    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()), radius, radius);
    setMask(QRegion(outline.toFillPolygon().toPolygon()));
}

void InterjectionCard::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (actions.hidden)
        actions.hidden();
}

void InterjectionCard::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (isAppearanceEvent(event))
        update();
}

} // namespace vesk
