#pragma once

#include "InkLayer.h"

#include <QList>
#include <QWidget>
#include <functional>

namespace vesk {

// The rounded row of every list in the ask panel: framed or plain, marked while its source is
// shown in the inspector, and clickable only when it has somewhere to go.
class Row : public QWidget {
    Q_OBJECT
public:
    // `views` are stacked top to bottom inside insets of 7 (sides) and 6 (top and bottom).
    Row(int width, const QList<QWidget*>& views, bool plain, QWidget* parent = nullptr);

    // What a click does; a row without it is inert (no hover, no pointing hand).
    void setOnOpen(std::function<void()> open);
    bool opens() const { return static_cast<bool>(onOpen); }

    void setCited(bool cited);
    bool cited() const { return isCited; }
    bool isHovering() const { return hovering; }
    bool isPlain() const { return plain; }

    // The background and border for the current state, resolved for this row's appearance.
    InkLayer look() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    std::function<void()> onOpen;
    bool isCited = false;
    bool hovering = false;
    bool plain;
};

} // namespace vesk
