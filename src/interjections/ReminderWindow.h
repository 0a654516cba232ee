#pragma once

#include <QWidget>

namespace vesk {

class PresentationMode;
class ScrollColumn;

// A titled, closable window of the reminders at a fixed size: a painted background that follows
// light and dark, and a column of views that scrolls when they outgrow it. It is centred when it
// first opens, closes with Escape, and stays away while presentation mode is on: turning the mode
// on closes it.
class ReminderWindow : public QWidget {
    Q_OBJECT
public:
    // The views' side margin: a 580-point window keeps 524 points for its text.
    static constexpr int sideMargin = 28;

    ReminderWindow(const QString& title, QSize size, PresentationMode& presentation, QWidget* parent = nullptr);

    ScrollColumn* viewColumn() const { return column; }
    // Closes the window; presentation mode was turned on.
    void suppressForPresentation();

protected:
    // Shows the window and brings it to the front with the keyboard; false while presenting.
    bool bringForward();
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    PresentationMode& presentation;

private:
    ScrollColumn* column;
    bool placed = false;
};

} // namespace vesk
