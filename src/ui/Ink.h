#pragma once

#include <QColor>

class QWidget;

namespace vesk {

// One palette entry: an opaque colour for the light appearance and one for the dark, chosen when
// it is drawn, never cached, so a switch of appearance needs nothing but a repaint.
struct InkColor {
    QColor light;
    QColor dark;

    QColor resolve(bool darkAppearance) const { return darkAppearance ? dark : light; }
    // Resolved for the widget's own effective appearance (see Ink::isDark).
    QColor resolve(const QWidget* widget) const;
    bool operator==(const InkColor&) const = default;
};

namespace Ink {

// A 24-bit RGB value and its alpha, as the palette writes them.
struct Hex {
    quint32 rgb;
    double alpha = 1.0;
};

InkColor d(Hex light, Hex dark);

// Dark when the window palette the widget draws with is dark. The desktop's colour-scheme
// preference reaches the widgets as the application palette (see PortalAppearance), so the
// palette is the single answer; without a widget, the application palette decides.
bool isDark(const QWidget* widget);

const InkColor& dot();
const InkColor& amber();
const InkColor& amberBg();
const InkColor& amberLine();
const InkColor& flag();
const InkColor& flagBg();
const InkColor& agent();
const InkColor& ground();
const InkColor& surface();
const InkColor& sunken();
const InkColor& line();
const InkColor& lineSoft();
const InkColor& text();
const InkColor& text2();
const InkColor& muted();

} // namespace Ink
} // namespace vesk
