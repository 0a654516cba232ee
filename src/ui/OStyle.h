#pragma once

#include <QFont>
#include <QString>

class QLabel;
class QWidget;

namespace vesk::OStyle {

enum class Weight { Regular, Medium, Semibold, Bold };
// Monospaced is the system fixed font; Serif a serif family when the font database has one.
// MonospacedDigit keeps the system family (DejaVu Sans figures are of equal width).
enum class Design { Default, Monospaced, MonospacedDigit, Serif };

// The one way to build a font: design sizes are logical pixels (points of the design), so the
// size is set in pixels and never depends on the screen's dots per inch.
QFont font(double designSize, Weight weight = Weight::Regular, Design design = Design::Default);

// The shared horizontal padding of panels.
inline constexpr int pad = 26;

// Upper-case 9-point monospaced medium label in Ink.muted.
QLabel* section(const QString& text, QWidget* parent = nullptr);
// Wrapping 21-point semibold label in Ink.text.
QLabel* title(const QString& text, QWidget* parent = nullptr);
// 13.5-point label in Ink.text wrapped at the width.
QLabel* body(const QString& text, int width, QWidget* parent = nullptr);
// 11.5-point label in Ink.muted wrapped at the width.
QLabel* meta(const QString& text, int width, QWidget* parent = nullptr);
// A horizontal separator exactly `width` wide.
QWidget* rule(int width, QWidget* parent = nullptr);

} // namespace vesk::OStyle
