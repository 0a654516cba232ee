#pragma once

#include <QPoint>
#include <QWidget>
#include <functional>
#include <optional>

class QKeyEvent;

namespace vesk {

// The ask panel's window: a frameless tool window that floats over other applications, can take
// keyboard focus, and is moved by dragging its background. It owns the panel-wide key equivalents.
class KeyPanel : public QWidget {
    Q_OBJECT
public:
    explicit KeyPanel(QWidget* parent = nullptr);

    std::function<void()> onInbox;
    // Whether the copy was made; only then the key counts as handled.
    std::function<bool()> onCopyForAgent;
    // Escape pressed while the field does not have the focus.
    std::function<void()> onCancel;
    // The panel became the active window.
    std::function<void()> onBecomeKey;

    // Ctrl+K and Ctrl+Shift+C (Control stands in for Command): true when the key was handled.
    bool performKeyEquivalent(const QKeyEvent& event);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    std::optional<QPoint> dragFrom;
};

} // namespace vesk
