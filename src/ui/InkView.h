#pragma once

#include "InkLayer.h"

#include <QWidget>

namespace vesk {

// A plain view whose background is painted by a callback with palette colours. It repaints on
// every appearance change, so windows never reload content to follow light and dark.
class InkView : public QWidget {
    Q_OBJECT
public:
    // Fills in the layer for the view's appearance now; a plain function, so it holds nothing.
    using Paint = void (*)(InkLayer& layer, const QWidget& view);

    explicit InkView(Paint paint, QWidget* parent = nullptr);

    void setPaint(Paint p);
    void repaint();
    // The layer as the last paint left it.
    const InkLayer& layer() const { return current; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void resolve();

    Paint paint = nullptr;
    InkLayer current;
};

// True for the events after which palette colours must be resolved again.
bool isAppearanceEvent(const QEvent* event);

} // namespace vesk
