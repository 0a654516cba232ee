#include "StatusIcon.h"

#include "Ink.h"
#include "OStyle.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

namespace vesk {

namespace {
constexpr double scale = 2.0;

// Filled, and when outlined also stroked; the stroke width is a share of the font size, as a
// negative stroke width means for attributed text.
void drawText(QPainter& p, const QString& text, QPointF topLeft, const QFont& font, const QColor& fill,
              std::optional<QColor> stroke, double strokeShare)
{
    QPainterPath path;
    const QFontMetricsF metrics(font);
    path.addText(topLeft + QPointF(0, metrics.ascent()), font, text);
    p.fillPath(path, fill);
    if (stroke)
        p.strokePath(path, QPen(*stroke, font.pixelSize() * strokeShare));
}
} // namespace

QString badgeText(qint64 badge)
{
    return badge > 9 ? QStringLiteral("9+") : QString::number(badge);
}

QImage dot(const QString& glyph, const QColor& colour, bool outlined, qint64 badge, bool darkAppearance)
{
    const int width = badge > 0 ? 30 : 18;
    QImage image(QSize(width, 18) * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor outline = Ink::text2().resolve(darkAppearance);
    drawText(p, glyph, QPointF(2.0, 1.0), OStyle::font(14, OStyle::Weight::Bold), colour,
             outlined ? std::optional<QColor>(outline) : std::nullopt, 0.06);
    if (badge >= 1) {
        drawText(p, badgeText(badge), QPointF(17.0, 3.0),
                 OStyle::font(10, OStyle::Weight::Semibold, OStyle::Design::MonospacedDigit),
                 Ink::dot().resolve(darkAppearance), outline, 0.04);
    }
    return image;
}

} // namespace vesk
