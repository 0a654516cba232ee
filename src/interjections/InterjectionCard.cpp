#include "InterjectionCard.h"

#include "ClampedLabel.h"
#include "InkButton.h"
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
// The room around the panel its shadow falls into (deeper below: the light comes from above).
const QMargins shadowRoom(16, 10, 16, 22);
constexpr int shadowDrop = 4;

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

InterjectionCard::InterjectionCard(const Content& content, bool composited, PresentationMode& presentation)
    : ToolWindow(QStringLiteral("Vesk reminder"), presentation,
                 Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus,
                 Ink::surface())
    , shadow(composited ? shadowRoom : QMargins())
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    // Only a compositor shows what lies under a translucent window; without one the corners are
    // cut by a mask instead.
    setAttribute(Qt::WA_TranslucentBackground, composited);
    setFocusPolicy(Qt::NoFocus);

    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(QMargins(inset, verticalPad, inset, verticalPad) + shadow);
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
    muteButton->setToolTip(QStringLiteral("To hear about this kind again, choose Unmute all in Interjection "
                                          "settings… in the Vesk menu."));
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
    setFixedSize(cardWidth + shadow.left() + shadow.right(), layout()->sizeHint().height());
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // The panel, not its shadow, keeps the inset from the corner.
    const QRect area = screen->availableGeometry();
    move(area.x() + area.width() - inset - cardWidth - shadow.left(), area.y() + inset - shadow.top());
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

QRectF InterjectionCard::panelRect() const
{
    return QRectF(rect().marginsRemoved(shadow));
}

void InterjectionCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF panel = panelRect();
    if (!shadow.isNull()) {
        // Rings of fading black, widest and faintest outside, dropped a little below the panel.
        const int rings = shadow.left();
        for (int i = rings; i > 0; --i) {
            const double fade = 1.0 - double(i) / double(rings + 1);
            QPainterPath ring;
            ring.addRoundedRect(panel.adjusted(-i, -i, i, i).translated(0, shadowDrop), radius + i, radius + i);
            painter.fillPath(ring, QColor(0, 0, 0, int(10 * fade * fade)));
        }
    }
    QPainterPath outline;
    outline.addRoundedRect(panel.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    painter.fillPath(outline, Ink::surface().resolve(this));
    painter.setPen(QPen(Ink::line().resolve(this), 1.0));
    painter.drawPath(outline);
}

void InterjectionCard::resizeEvent(QResizeEvent* event)
{
    ToolWindow::resizeEvent(event);
    if (!shadow.isNull())
        return;
    // Rounded corners without a compositing manager.
    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()), radius, radius);
    setMask(QRegion(outline.toFillPolygon().toPolygon()));
}

void InterjectionCard::hideEvent(QHideEvent* event)
{
    ToolWindow::hideEvent(event);
    emit hidden();
}

void InterjectionCard::enterEvent(QEnterEvent* event)
{
    ToolWindow::enterEvent(event);
    resting = true;
}

void InterjectionCard::leaveEvent(QEvent* event)
{
    ToolWindow::leaveEvent(event);
    resting = false;
    emit pointerLeft();
}

} // namespace vesk
