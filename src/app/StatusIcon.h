#pragma once

#include <QColor>
#include <QImage>
#include <QString>

namespace vesk {

// The status icon: the state glyph, and the proposal count as a badge when it is at least 1.
// 18 points high; 18 wide, or 30 with a badge. Drawn at twice the resolution for sharp screens.
QImage dot(const QString& glyph, const QColor& colour, bool outlined, qint64 badge, bool darkAppearance);

// "1" to "9", and "9+" above nine.
QString badgeText(qint64 badge);

} // namespace vesk
