#pragma once

#include "ToolWindow.h"

#include <QString>

namespace vesk {

class ClampedLabel;
class InkButton;

// The reminder card: a small panel in the top-right corner of the screen that names an open item,
// says why it appeared and offers to open its sources. It never takes the focus from the window
// the user works in. Where a compositing manager runs it floats on a soft shadow drawn around it;
// where none does, a rounded border sets it off. What the user does with it leaves as signals; a
// screen reader reads it as a notification named by its headline. Like every window it stays away
// while presenting.
class InterjectionCard : public ToolWindow {
    Q_OBJECT
public:
    static constexpr int cardWidth = 390;
    static constexpr int textWidth = 354;
    static constexpr int inset = 18; // from the screen's top-right corner

    struct Content {
        QString kicker;
        QString headline;
        QString related;
        QString evidence;
        QString metrics;
    };

    InterjectionCard(const Content& content, bool composited, PresentationMode& presentation);

    // Sizes the card to its contents and puts it in the top-right corner of the main screen's
    // available area.
    void place() override;
    void showFeedback(const QString& text, bool isFailure);
    // While the mute is being saved its button cannot be pressed again.
    void setMuteBusy(bool busy);
    // The pointer rests on the card (or on anything in it).
    bool pointerResting() const { return resting; }

signals:
    void opened();
    void later();
    void muted();
    // The card was hidden by anything but its controller (the window manager, presentation mode).
    void hidden();
    // The pointer left the card.
    void pointerLeft();

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    // The panel inside the window: the whole window, or the window less the room of its shadow.
    QRectF panelRect() const;

    QMargins shadow;
    bool resting = false;
    InkButton* muteButton = nullptr;
    ClampedLabel* feedback = nullptr;
};

} // namespace vesk
