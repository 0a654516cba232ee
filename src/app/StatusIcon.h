#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QRectF>
#include <QString>

class QPainter;

namespace vesk {

// The status icon: the state glyph ("●", "○" or "◌"), and the proposal count as a badge when it is
// at least 1. Trays give an icon a square slot of 16 to 48 pixels and may be light, grey or dark,
// so everything is drawn to fill the slot: the glyph sits on a halo of Ink.ground, which keeps it
// readable on any tray colour, and the count on a dark, light-ringed badge in the lower right that
// never leaves the slot.
void paintDot(QPainter& p, const QRectF& slot, const QString& glyph, const QColor& colour, bool outlined, qint64 badge,
              bool darkAppearance);

// One slot's picture, `size` pixels square.
QImage dot(const QString& glyph, const QColor& colour, bool outlined, qint64 badge, bool darkAppearance, int size);

// The icon handed to the tray: drawn at the size of the slot it is shown in, never scaled.
QIcon dotIcon(const QString& glyph, const QColor& colour, bool outlined, qint64 badge, bool darkAppearance);

// "1" to "9", and "9+" above nine.
QString badgeText(qint64 badge);

// The application's own icon, com.vesk.vesk, from the icon theme as installed; where it is not
// installed (a build tree), the same drawing painted here.
QIcon appIcon();
// Gives every window the application's icon and tells the desktop which entry the windows
// belong to, so switchers show the icon and our own windows read as com.vesk.vesk.
void useAppIdentity();

} // namespace vesk
