#include "StatusIcon.h"

#include "Ink.h"
#include "OStyle.h"

#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <algorithm>

namespace vesk {

namespace {
// The slot sizes a tray that asks which sizes exist is offered.
constexpr int slotSizes[] = {16, 22, 24, 32, 48};

// The dots of "◌": four large ones in small slots, six smaller ones from 32 pixels.
double dotRadius(double lineWidth, double slot)
{
    return lineWidth * (slot < 32 ? 1.0 : 0.7);
}

// The glyph as a filled path around a circle of radius r: a disc, a ring or a ring of dots.
QPainterPath glyphPath(const QString& glyph, QPointF centre, double r, double lineWidth, double slot)
{
    QPainterPath path;
    if (glyph == QStringLiteral("●")) {
        path.addEllipse(centre, r, r);
    } else if (glyph == QStringLiteral("◌")) {
        // Few dots with the tray showing between them: with more, their halos close into a ring
        // (a hexagon at 22 pixels) that reads like the solid ring of "not recording".
        const int dots = slot < 32 ? 4 : 6;
        for (int i = 0; i < dots; ++i) {
            const double a = 2 * M_PI * i / dots - M_PI / 2;
            path.addEllipse(centre + QPointF(r * std::cos(a), r * std::sin(a)), dotRadius(lineWidth, slot),
                            dotRadius(lineWidth, slot));
        }
    } else {
        path.addEllipse(centre, r + lineWidth / 2, r + lineWidth / 2);
        path.addEllipse(centre, r - lineWidth / 2, r - lineWidth / 2);
    }
    return path;
}

// The count with its ink exactly `height` pixels high and its top left at (0, 0). The "+" past nine
// is smaller and raised, so that "9+" keeps a tall digit and still fits a 16 pixel slot.
QPainterPath badgeLabel(const QString& text, double height)
{
    // Outlines taken at a large size and scaled down keep their proportions.
    const QFont font = OStyle::font(64, OStyle::Weight::Bold, OStyle::Design::MonospacedDigit);
    auto placed = [&font](const QString& part, double h, QPointF at) {
        QPainterPath path;
        path.addText(0, 0, font, part);
        const QRectF b = path.boundingRect();
        QTransform t;
        t.translate(at.x(), at.y());
        t.scale(h / b.height(), h / b.height());
        t.translate(-b.left(), -b.top());
        return t.map(path);
    };
    QPainterPath label = placed(text.left(1), height, QPointF(0, 0));
    if (text.size() > 1)
        label.addPath(placed(text.mid(1), height * 0.6, QPointF(label.boundingRect().right() + height * 0.1, 0)));
    return label;
}

// The shape widened by `width` on every side.
QPainterPath widened(const QPainterPath& shape, double width)
{
    QPainterPathStroker stroker;
    stroker.setWidth(2 * width);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(shape).united(shape);
}
} // namespace

QString badgeText(qint64 badge)
{
    return badge > 9 ? QStringLiteral("9+") : QString::number(badge);
}

void paintDot(QPainter& p, const QRectF& slot, const QString& glyph, const QColor& colour, bool outlined, qint64 badge,
              bool darkAppearance)
{
    const double s = slot.width();
    const double halo = std::max(1.5, s * 0.08);
    const double lineWidth = std::max(1.8, s * 0.11);
    const double outlineWidth = std::max(1.0, s * 0.05);
    const QColor outline = Ink::text2().resolve(darkAppearance);
    QColor ground = Ink::ground().resolve(darkAppearance);
    ground.setAlphaF(0.9f);
    // Half a pixel stays free at the slot's edge for antialiasing.
    const double edge = 0.5;

    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    // With a badge the glyph moves to the upper left and the count takes the lower right corner.
    const bool badged = badge >= 1;
    const double extent = badged ? s * 0.4 : s / 2 - edge; // the glyph's halo reaches this far from its centre
    const QPointF centre = slot.topLeft() + (badged ? QPointF(extent + edge, extent + edge) : QPointF(s / 2, s / 2));
    const double stroke = glyph == QStringLiteral("●") ? (outlined ? outlineWidth / 2 : 0)
        : glyph == QStringLiteral("◌")                 ? dotRadius(lineWidth, s)
                                                       : lineWidth / 2;
    const double reach = halo + stroke;
    const double r = extent - reach;
    const QPainterPath shape = glyphPath(glyph, centre, r, lineWidth, s);
    QPainterPath haloPath = widened(shape, halo + (outlined ? outlineWidth / 2 : 0));
    if (glyph == QStringLiteral("○")) {
        // Around the ring only: a halo inside it would read as a second ring.
        QPainterPath hole;
        hole.addEllipse(centre, r - lineWidth / 2, r - lineWidth / 2);
        haloPath = haloPath.subtracted(hole);
    }
    p.fillPath(haloPath, ground);
    p.fillPath(shape, colour);
    if (outlined)
        p.strokePath(shape, QPen(outline, outlineWidth));

    if (badged) {
        // A dark pill with the count in Ink.dot, ringed in light: the ring parts it from a dark tray
        // and from the glyph, the pill from a light or grey one; the same on every tray, so the
        // count's contrast never depends on the tray. Whole pixels keep the digit's edges sharp.
        const double ring = std::max(1.0, std::round(s * 0.045));
        const double pad = std::max(1.0, std::round(s * 0.06));
        const QPainterPath label = badgeLabel(badgeText(badge), std::round(s * 0.44));
        const QRectF ink = label.boundingRect();
        const double h = ink.height() + 2 * (pad + ring);
        const double w = std::min(s, std::max(h, std::ceil(ink.width()) + 2 * (pad + ring)));
        const QRectF pill(std::round(slot.right() - w), std::round(slot.bottom() - h), w, h);
        // Corners rounded less than a capsule's, whose ends would cut into the digit's corners.
        const double corner = h * 0.3;
        QPainterPath outer;
        outer.addRoundedRect(pill, corner, corner);
        QPainterPath inner;
        inner.addRoundedRect(pill.adjusted(ring, ring, -ring, -ring), corner - ring, corner - ring);
        p.fillPath(outer, Ink::ground().resolve(false));
        p.fillPath(inner, Ink::ground().resolve(true));
        p.fillPath(label.translated(pill.left() + (w - ink.width()) / 2, pill.top() + ring + pad),
                   Ink::dot().resolve(darkAppearance));
    }
    p.restore();
}

QImage dot(const QString& glyph, const QColor& colour, bool outlined, qint64 badge, bool darkAppearance, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    paintDot(p, QRectF(0, 0, size, size), glyph, colour, outlined, badge, darkAppearance);
    return image;
}

namespace {
// Draws the icon at whatever size the tray asks for, when it asks: nothing is scaled, and nothing
// is drawn for sizes no tray uses.
class DotEngine final : public QIconEngine {
public:
    DotEngine(QString glyph, QColor colour, bool outlined, qint64 badge, bool dark)
        : glyph(std::move(glyph))
        , colour(colour)
        , outlined(outlined)
        , badge(badge)
        , dark(dark)
    {
    }
    void paint(QPainter* p, const QRect& rect, QIcon::Mode, QIcon::State) override
    {
        const double side = std::min(rect.width(), rect.height());
        const QRectF slot(rect.x() + (rect.width() - side) / 2, rect.y() + (rect.height() - side) / 2, side, side);
        paintDot(*p, slot, glyph, colour, outlined, badge, dark);
    }
    // The base class paints on a pixmap it never cleared: the corners would show whatever memory
    // the pixmap got.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap out(size);
        out.fill(Qt::transparent);
        {
            QPainter p(&out);
            paint(&p, QRect(QPoint(0, 0), size), mode, state);
        }
        return out;
    }
    QIconEngine* clone() const override { return new DotEngine(*this); }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        QList<QSize> sizes;
        for (int size : slotSizes)
            sizes.append(QSize(size, size));
        return sizes;
    }

private:
    QString glyph;
    QColor colour;
    bool outlined;
    qint64 badge;
    bool dark;
};
} // namespace

QIcon dotIcon(const QString& glyph, const QColor& colour, bool outlined, qint64 badge, bool darkAppearance)
{
    return QIcon(new DotEngine(glyph, colour, outlined, badge, darkAppearance));
}

namespace {
// The installed drawing (a 128 square): the recording dot and a faint ring on a dark tile.
QPixmap paintedAppIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 128.0, size / 128.0);
    p.setPen(QPen(Ink::line().resolve(true), 1));
    p.setBrush(Ink::surface().resolve(true));
    p.drawRoundedRect(QRectF(6.5, 6.5, 115, 115), 25.5, 25.5);
    QColor ring = Ink::dot().resolve(true);
    ring.setAlphaF(0.4f);
    p.setPen(QPen(ring, 6));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(64, 64), 40, 40);
    p.setPen(Qt::NoPen);
    p.setBrush(Ink::dot().resolve(true));
    p.drawEllipse(QPointF(64, 64), 26, 26);
    return pixmap;
}
} // namespace

QIcon appIcon()
{
    QIcon painted;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        painted.addPixmap(paintedAppIcon(size));
    return QIcon::fromTheme(QStringLiteral("com.vesk.vesk"), painted);
}

void useAppIdentity()
{
    QGuiApplication::setDesktopFileName(QStringLiteral("com.vesk.vesk"));
    QGuiApplication::setWindowIcon(appIcon());
}

} // namespace vesk
