#pragma once

#include "InkLayer.h"

#include <QList>
#include <QWidget>

namespace vesk {

// The rounded row of every list: framed or plain, marked while its source is shown elsewhere, and
// clickable only when it has somewhere to go. Its views are stacked top to bottom inside insets of
// 7 (sides) and 6 (top and bottom), at the row's own width, whatever that is now. A row that opens
// something is reached with Tab or the arrow keys, shows a focus ring, and opens with Return or
// Space; a click opens it without taking the keyboard from where the user types. A screen reader
// reads it by the text it shows: a button when it opens something, else that text.
class Row : public QWidget {
    Q_OBJECT
public:
    enum class Frame { framed, plain };

    explicit Row(const QList<QWidget*>& views, Frame frame = Frame::framed, QWidget* parent = nullptr);

    // Whether the row opens something; a row that does not is inert (no hover, no pointing hand, no
    // focus) and never emits opened().
    void setOpens(bool opens);
    bool opens() const { return opening; }
    // The row opens something: `open` runs, while `context` exists, each time it is opened.
    template <class Open> void onOpened(const QObject* context, Open open)
    {
        setOpens(true);
        connect(this, &Row::opened, context, std::move(open));
    }

    void setCited(bool cited);
    bool cited() const { return isCited; }
    bool isHovering() const { return hovering; }
    bool isPlain() const { return frame == Frame::plain; }

    // The background and border for the current state, resolved for this row's appearance.
    InkLayer look() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

signals:
    // A click, Return or Space on a row that opens something.
    void opened();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    friend class RowAccessible;
    void open();
    void place();
    int viewHeight(const QWidget* view, int width) const;

    QList<QWidget*> views;
    // The height at the width last asked about, until a view changes.
    mutable int measuredWidth = -1;
    mutable int measuredHeight = 0;
    bool opening = false;
    Frame frame;
    bool isCited = false;
    bool hovering = false;
};

} // namespace vesk
