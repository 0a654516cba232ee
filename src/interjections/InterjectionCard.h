#pragma once

#include "Ink.h"

#include <QLabel>
#include <QStringList>
#include <QWidget>
#include <functional>

namespace vesk {

class InkButton;

// A plain-text label at a fixed width that wraps by word up to a number of lines and truncates
// its last visible line; its whole text is its tool tip.
class ClampedLabel : public QLabel {
    Q_OBJECT
public:
    ClampedLabel(const QString& text, const InkColor& colour, const QFont& font, int width, int maxLines,
                 QWidget* parent = nullptr);

    void setText(const QString& text, const InkColor& colour);
    const InkColor& colour() const { return *ink; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void layOut();

    const InkColor* ink;
    int maxLines;
    QStringList lines; // as painted
};

// The reminder card: a small panel in the top-right corner of the screen that names an open item,
// says why it appeared and offers to open its sources. It never takes the focus from the window
// the user works in.
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
    struct Actions {
        std::function<void()> open;
        std::function<void()> later;
        std::function<void()> mute;
        // The card was hidden by anything but the controller itself (the window manager, the
        // presentation switch).
        std::function<void()> hidden;
    };

    explicit InterjectionCard(const Content& content);
    void setActions(Actions a) { actions = std::move(a); }

    // Sizes the card to its contents and puts it in the top-right corner of the main screen's
    // available area.
    void place();
    void showFeedback(const QString& text, bool isFailure);

    InkButton* openButton = nullptr;
    InkButton* laterButton = nullptr;
    InkButton* muteButton = nullptr;
    ClampedLabel* feedback = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    Actions actions;
};

} // namespace vesk
