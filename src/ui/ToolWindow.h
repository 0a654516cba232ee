#pragma once

#include "Generation.h"
#include "Ink.h"

#include <QList>
#include <QWidget>

class QKeyEvent;

namespace vesk {

class PresentationMode;
class ScrollColumn;

// The shell every window of the application is built on: a titled window whose background is
// painted in the palette, so it follows light and dark as they change; centred on the main screen
// the first time it shows and left where the user puts it after that; closed by Escape. It never
// shows itself while presentation mode is on (turning the mode on hides every window by itself).
// A window is built once and kept for the life of its owner: closing it makes the replies it still
// waits for stale (those its columns asked for, and those sent while it was open), so nothing late
// is drawn into it; a change the user already confirmed still reports how it ended.
class ToolWindow : public QWidget {
    Q_OBJECT
public:
    ToolWindow(const QString& title, PresentationMode& presentation, Qt::WindowFlags flags = Qt::Window,
               const InkColor& ground = Ink::ground(), QWidget* parent = nullptr);

    // False while presentation mode keeps every window away.
    bool mayShow() const;
    // Where a window of `size` stands centred in `area`: the one rule windows are centred by.
    static QPoint centredIn(const QRect& area, QSize size);
    // The key that closes a window (and steps back in the ask panel): Escape, alone.
    static bool isEscape(const QKeyEvent& key);

    // Shows the window and brings it to the front, placing it the first time, with the keyboard
    // unless it takes none; false while presenting.
    bool bringForward();

protected:
    // A column of this window: its replies are stale once the window closes.
    ScrollColumn* addColumn(int sideMargin);
    // A completion that runs only while the window stays open, for requests no column carries.
    template <class Work> auto whileOpen(Work work) const { return whileCurrent(visits.ticket(), std::move(work)); }

    // The first placement: centred on the main screen.
    virtual void place();
    // A window that places itself by rules of its own says so: the shell leaves it where it is.
    void placedItself() { placed = true; }
    // Escape closes the window.
    virtual void escapePressed();
    // The window closed; its replies are stale already.
    virtual void closed() { }

    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    PresentationMode& presentation;
    const InkColor& ground;
    QList<ScrollColumn*> columns;
    // Advanced by every close.
    Generation visits;
    bool placed = false;
};

} // namespace vesk
