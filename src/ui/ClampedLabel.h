#pragma once

#include "Ink.h"

#include <QLabel>
#include <QStringList>

namespace vesk {

// A plain-text label at a fixed width that wraps by word up to a number of lines and truncates
// its last visible line; its whole text is its tool tip.
class ClampedLabel : public QLabel {
    Q_OBJECT
public:
    ClampedLabel(const QString& text, const InkColor& colour, const QFont& font, int width, int maxLines,
                 QWidget* parent = nullptr);

    void setText(const QString& text, const InkColor& colour);
    const InkColor& colour() const { return *ink; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void layOut();

    const InkColor* ink;
    int maxLines;
    QStringList lines; // as painted
};

} // namespace vesk
