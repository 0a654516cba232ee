#pragma once

#include "Ink.h"

#include <QLabel>

namespace vesk {

// A plain-text label in one palette colour that either wraps at a fixed width or stays on one
// line and truncates (at the end or in the middle). text() is always the whole text; only the
// painting shortens it.
class AskLabel : public QLabel {
    Q_OBJECT
public:
    enum class Fit { wrap, truncateEnd, truncateMiddle };

    AskLabel(const QString& text, const InkColor& colour, const QFont& font, Fit fit, int width,
             QWidget* parent = nullptr);

    void setColour(const InkColor& colour);
    const InkColor& colour() const { return *ink; }
    Fit fit() const { return fitting; }

    // One line at the fixed width for a truncating label: no text layout needed to say so.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void apply();

    const InkColor* ink;
    Fit fitting;
    bool applying = false;
};

} // namespace vesk
