#pragma once

#include "ToolWindow.h"

#include <QPoint>
#include <optional>

class QLineEdit;

namespace vesk {

class InkLabel;
class ScrollColumn;

// The ask panel's window: a frameless tool window that floats over other applications, can take
// keyboard focus, and is moved by dragging its background. It holds the title, the field, the
// result column, the key hint and the inspector column on the right; it keeps its own geometry
// (placed on the screen, compact or expanded, the inspector open or closed) and tells its
// coordinator the keys pressed in it: Escape steps back rather than closing. Whenever it is
// activated the caret goes back to the field.
class AskPanel : public ToolWindow {
    Q_OBJECT
public:
    // Horizontal margin of the result column, the inspector's width when open, the compact height
    // and the width of a panel not placed yet.
    static constexpr int pad = 22;
    static constexpr int panelW = 260;
    static constexpr int compactHeight = 190;
    static constexpr int defaultWidth = 760;

    explicit AskPanel(PresentationMode& presentation);

    QLineEdit* field() const { return input; }
    InkLabel* hint() const { return keys; }
    ScrollColumn* column() const { return results; }
    ScrollColumn* inspector() const { return inspectorColumn; }

    // On the main screen: 48 % of its visible width (560 to 860), centred, 11 % below its top,
    // at the compact height.
    void place() override;
    // Compact is 190 high; expanded is 70 % of the visible height, at most 640. The top edge stays
    // unless the bottom would leave the screen.
    void setCompact(bool compact);
    // Opening adds the inspector's width to the panel's, closing takes it away (down to 420) and
    // empties the inspector. Either way no row of the result column stays marked: a row is marked
    // only while the inspector shows the frame it opened, by the page that opened it.
    void setInspector(bool open);
    // Shown, raised and active, with the caret in the field; false while presenting.
    bool bringForward();
    // The field holds `text`, unless it does already (white space aside).
    void setFieldText(const QString& text);
    // A question asked in this session, which Up in the empty field brings back (newest first).
    void remember(const QString& question);

signals:
    // Return and Shift+Return in the field, with the field's text.
    void askRequested(const QString& text);
    void searchRequested(const QString& text);
    // Escape, in the field or anywhere else in the panel.
    void cancelRequested();
    // The shortcuts Ctrl+K and Ctrl+Shift+C.
    void inboxRequested();
    void copyForAgentRequested();

protected:
    void escapePressed() override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Ctrl+K and Ctrl+Shift+C: true when the key was handled.
    bool shortcut(const QKeyEvent& event);
    // Up in the field: the question asked before the one it shows, when it is empty or shows one.
    bool recall();
    // The views of the result column the keyboard reaches, top to bottom.
    QList<QWidget*> reachable() const;
    // Down from the field to the first of them, and Up and Down between them; Up from the first
    // is the field again.
    bool step(bool down);
    QRect visibleFrame() const;

    InkLabel* title = nullptr;
    QLineEdit* input = nullptr;
    ScrollColumn* results = nullptr;
    InkLabel* keys = nullptr;
    QWidget* divider = nullptr;
    QWidget* inspectorBox = nullptr;
    ScrollColumn* inspectorColumn = nullptr;
    bool isCompact = true;
    QStringList asked;
    qsizetype recalled = -1;
    std::optional<QPoint> dragFrom;
};

} // namespace vesk
