#pragma once

#include <QImage>
#include <QList>
#include <QRectF>
#include <QWidget>
#include <optional>

namespace vesk {

// One captured screenshot, fitted into the view with its proportions kept, the matching text lines
// marked on it. Until its pixels arrive it is an empty frame; without pixels it says so instead of
// drawing an empty box. A view that opens, once its pixels are there, takes the keyboard and says
// when a click on the picture (or Return while it has the keyboard) asks to see it larger.
class FrameView : public QWidget {
    Q_OBJECT
public:
    // `highlights` are fractions of the image (x, y, width, height from the top left). A
    // proportional view takes the height of its picture at the width its layout gives it.
    explicit FrameView(QList<QRectF> highlights, bool proportional, QWidget* parent = nullptr);

    // The pixels, or nothing when they are gone or could not be read.
    void setImage(std::optional<QImage> image);
    // Whether the picture opens larger (only once its pixels are there).
    void setOpens(bool opens);

    // Whether the pixels have arrived, and what they are.
    bool loaded() const { return done; }
    const std::optional<QImage>& image() const { return pixels; }
    const QList<QRectF>& highlights() const { return marks; }
    // Where the picture is drawn, and one highlight's rectangle on it before its 1-point growth.
    QRectF picture() const;
    QRectF area(const QRectF& highlight) const;

    bool hasHeightForWidth() const override { return proportional; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

signals:
    // The picture was clicked, or Return or Space pressed on it, with its pixels there.
    void opened();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The pointing hand and the keyboard, only when there is something to open.
    void updateOpening();
    bool canOpen() const { return pixels && opening; }

    std::optional<QImage> pixels;
    QList<QRectF> marks;
    bool done = false;
    bool proportional;
    bool opening = false;
};

} // namespace vesk
