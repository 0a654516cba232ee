#include "InterjectionCard.h"

#include "ClampedLabel.h"
#include "InkButton.h"
#include "InkView.h"
#include "OStyle.h"

#include <QAccessibleWidget>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
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

// Qt gives a plain widget no role of its own: the card is announced as a notification.
QAccessibleInterface* cardAccessible(const QString& className, QObject* object)
{
    if (className == QLatin1String("vesk::InterjectionCard") && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Notification);
    return nullptr;
}

} // namespace

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
    // Each button says which item it acts on.
    const auto button
        = [this, &content](const QString& title, InkButton::Tone tone, void (InterjectionCard::*signal)()) {
              InkButton* b = InkButton::make(
                  title, tone, [this, signal] { emit(this->*signal)(); }, this);
              b->setFixedHeight(28);
              b->setFocusPolicy(Qt::NoFocus);
              b->setAccessibleName(title);
              b->setAccessibleDescription(content.headline);
              return b;
          };
    row->addWidget(button(QStringLiteral("Open sources"), InkButton::Tone::primary, &InterjectionCard::opened));
    row->addWidget(button(QStringLiteral("Not now"), InkButton::Tone::quiet, &InterjectionCard::later));
    row->addStretch();
    stack->addLayout(row);

    add(content.metrics, Ink::muted(), cardFont(10), 2);
    muteButton
        = button(QStringLiteral("Don't remind me about this kind"), InkButton::Tone::quiet, &InterjectionCard::muted);
    stack->addWidget(muteButton, 0, Qt::AlignLeft);
    feedback = add(QString(), Ink::flag(), cardFont(11), 3);
    feedback->hide();

    static const bool announced = (QAccessible::installFactory(cardAccessible), true);
    Q_UNUSED(announced);
    setAccessibleName(windowTitle() + QStringLiteral(": ") + content.headline);
    setAccessibleDescription(
        QStringList{content.kicker, content.related, content.evidence, content.metrics}.join(u'\n'));
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

void InterjectionCard::setMuteBusy(bool busy)
{
    muteButton->setEnabled(!busy);
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
    emit hidden();
}

void InterjectionCard::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (isAppearanceEvent(event))
        update();
}

} // namespace vesk
