#pragma once

#include <QString>
#include <QWidget>

namespace vesk {

class ClampedLabel;
class InkButton;

// The reminder card: a small panel in the top-right corner of the screen that names an open item,
// says why it appeared and offers to open its sources. It never takes the focus from the window
// the user works in. What the user does with it leaves as signals; a screen reader reads it as a
// notification named by its headline.
class InterjectionCard : public QWidget {
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

    explicit InterjectionCard(const Content& content);

    // Sizes the card to its contents and puts it in the top-right corner of the main screen's
    // available area.
    void place();
    void showFeedback(const QString& text, bool isFailure);
    // While the mute is being saved its button cannot be pressed again.
    void setMuteBusy(bool busy);

signals:
    void opened();
    void later();
    void muted();
    // The card was hidden by anything but its controller (the window manager, presentation mode).
    void hidden();

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    InkButton* muteButton = nullptr;
    ClampedLabel* feedback = nullptr;
};

} // namespace vesk
