#pragma once

#include <QImage>
#include <QList>
#include <QRectF>
#include <QWidget>
#include <optional>

namespace vesk {

// One captured screenshot, scaled into the view, with the matching text lines marked on it.
// Without pixels it says so instead of drawing an empty box.
class FrameView : public QWidget {
    Q_OBJECT
public:
    // `highlights` are fractions of the image (x, y, width, height from the top left).
    FrameView(std::optional<QImage> image, QList<QRectF> highlights, QWidget* parent = nullptr);

    // The marked rectangle of one highlight in this view's coordinates, before its 1-point growth.
    QRectF area(const QRectF& highlight) const;

    std::optional<QImage> image;
    QList<QRectF> highlights;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
};

} // namespace vesk
