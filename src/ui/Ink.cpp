#include "Ink.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

namespace vesk {

namespace {
QColor fromHex(Ink::Hex h)
{
    QColor c = QColor::fromRgb((h.rgb >> 16) & 0xff, (h.rgb >> 8) & 0xff, h.rgb & 0xff);
    c.setAlphaF(static_cast<float>(h.alpha));
    return c;
}
} // namespace

QColor InkColor::resolve(const QWidget* widget) const
{
    return resolve(Ink::isDark(widget));
}

namespace Ink {

InkColor d(Hex light, Hex dark)
{
    return InkColor{fromHex(light), fromHex(dark)};
}

bool isDark(const QWidget* widget)
{
    const QPalette palette = widget ? widget->palette() : QApplication::palette();
    const QColor window = palette.color(QPalette::Window);
    return window.lightnessF() < 0.5;
}

// Each entry is built once, on first use.
#define VESK_INK(name, light, dark)                                                                                    \
    const InkColor& name()                                                                                             \
    {                                                                                                                  \
        static const InkColor colour = d({light}, {dark});                                                             \
        return colour;                                                                                                 \
    }

VESK_INK(dot, 0xE39A2E, 0xE39A2E)
VESK_INK(amber, 0xB87717, 0xE3A24A)
VESK_INK(amberBg, 0xFDF3E2, 0x241B0D)
VESK_INK(amberLine, 0xEBCE9C, 0x4A3719)
VESK_INK(flag, 0xAE4F3E, 0xD4816E)
VESK_INK(flagBg, 0xFAEDEA, 0x241512)
VESK_INK(agent, 0x2F5D8C, 0x7FA9D4)
VESK_INK(ground, 0xFAFAFB, 0x0C0E11)
VESK_INK(surface, 0xFFFFFF, 0x14171C)
VESK_INK(sunken, 0xF1F2F4, 0x1A1E24)
VESK_INK(line, 0xE1E4E8, 0x262B33)
VESK_INK(lineSoft, 0xEDEFF2, 0x1E232A)
VESK_INK(text, 0x15181D, 0xE7E9ED)
VESK_INK(text2, 0x4C535E, 0xA8AFBB)
VESK_INK(muted, 0x858C98, 0x78808D)

#undef VESK_INK

} // namespace Ink
} // namespace vesk
