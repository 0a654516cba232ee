#pragma once

#include "Ink.h"
#include "InkView.h"

#include <QFont>
#include <QPalette>
#include <QString>
#include <utility>
#include <vector>

class QWidget;

namespace vesk {
class InkLabel;
}

namespace vesk::OStyle {

enum class Weight { Regular, Medium, Semibold, Bold };
// Monospaced is the system fixed font; Serif a serif family when the font database has one.
// MonospacedDigit keeps the system family (DejaVu Sans figures are of equal width).
enum class Design { Default, Monospaced, MonospacedDigit, Serif };

// The one way to build a font: design sizes are logical pixels (points of the design), so the
// size is set in pixels and never depends on the screen's dots per inch.
QFont font(double designSize, Weight weight = Weight::Regular, Design design = Design::Default);

// A widget whose palette roles are Ink colours, re-resolved whenever the appearance changes.
template <class Base> class Inked : public Base {
public:
    using Roles = std::vector<std::pair<QPalette::ColorRole, const InkColor*>>;

    template <class... Args>
    explicit Inked(Roles roles, Args&&... args)
        : Base(std::forward<Args>(args)...)
        , roles(std::move(roles))
    {
        apply();
    }

protected:
    void changeEvent(QEvent* event) override
    {
        Base::changeEvent(event);
        // Our own palette edit also sends PaletteChange; it must not recurse.
        if (isAppearanceEvent(event) && !applying)
            apply();
    }

private:
    void apply()
    {
        applying = true;
        QPalette p = this->palette();
        for (const auto& [role, colour] : roles)
            p.setColor(role, colour->resolve(this));
        this->setPalette(p);
        applying = false;
    }

    Roles roles;
    bool applying = false;
};

// The shared horizontal padding of panels.
inline constexpr int pad = 26;

// The small monospaced type of meta lines, notes and placeholders: 10.5-point, regular.
QFont monoSmall();
// The serif heading of a page or an inspector view: 19-point medium.
QFont pageTitle();

// Upper-case 9-point monospaced medium label in Ink.muted.
InkLabel* section(const QString& text, QWidget* parent = nullptr);
// Wrapping 21-point semibold label in Ink.text.
InkLabel* title(const QString& text, QWidget* parent = nullptr);
// 13.5-point label in Ink.text wrapped at the width.
InkLabel* body(const QString& text, int width, QWidget* parent = nullptr);
// 11.5-point label in Ink.muted wrapped at the width.
InkLabel* meta(const QString& text, int width, QWidget* parent = nullptr);
// A horizontal separator exactly `width` wide.
QWidget* rule(int width, QWidget* parent = nullptr);
// A numbered step of a guide: the number in a narrow monospaced column, then the step's title and
// its text beneath, both wrapped at `width` less the number's column.
QWidget* step(const QString& number, const QString& title, const QString& text, int width, QWidget* parent = nullptr);

} // namespace vesk::OStyle
