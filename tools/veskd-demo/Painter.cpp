#include "Painter.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

namespace vesk::demo {

namespace {

constexpr int canvasW = 1280;
constexpr int canvasH = 800;
constexpr int titleBarH = 44;
constexpr qreal marginX = 40;
constexpr qreal firstLineY = 84;
constexpr qreal lineStep = 48;
constexpr qreal pad = 4;

struct Look {
    QColor ground, bar, barText, text, accent;
    bool mono;
};

Look lookFor(const Frame& f)
{
    const bool code = f.bundleId.contains("code", Qt::CaseInsensitive) || f.bundleId.contains("Terminal");
    if (code)
        return {QColor(0x1e, 0x1f, 0x24), QColor(0x2b, 0x2d, 0x33), QColor(0xb8, 0xbc, 0xc6),
                QColor(0xd9, 0xdc, 0xe3), QColor(0x6c, 0xb6, 0xff), true};
    return {QColor(0xfa, 0xfa, 0xf7), QColor(0xe6, 0xe4, 0xde), QColor(0x4a, 0x48, 0x44),
            QColor(0x22, 0x22, 0x22), QColor(0x2f, 0x6f, 0xd6), false};
}

QFont fontFor(const Look& look, qreal pixels)
{
    QFont font = look.mono ? QFontDatabase::systemFont(QFontDatabase::FixedFont) : QFont();
    font.setPixelSize(int(pixels));
    return font;
}

// The largest size up to 22 px at which the line fits the canvas.
QFont fittingFont(const Look& look, const QString& text)
{
    for (int px = 22; px > 10; --px) {
        const QFont font = fontFor(look, px);
        if (QFontMetricsF(font).horizontalAdvance(text) <= canvasW - 2 * marginX)
            return font;
    }
    return fontFor(look, 10);
}

} // namespace

bool paintFrames(Model& model, const QString& folder, QString* error)
{
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot create the frame folder ") + folder;
        return false;
    }
    for (auto& [id, frame] : model.frames) {
        const Look look = lookFor(frame);
        QImage image(canvasW, canvasH, QImage::Format_RGB32);
        image.fill(look.ground);
        QPainter p(&image);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.fillRect(QRectF(0, 0, canvasW, titleBarH), look.bar);
        p.setPen(look.barText);
        p.setFont(fontFor(Look{{}, {}, {}, {}, {}, false}, 15));
        p.drawText(QRectF(0, 0, canvasW, titleBarH), Qt::AlignCenter,
                   frame.app + QStringLiteral("  —  ") + frame.title);
        for (int dot = 0; dot < 3; ++dot)
            p.fillRect(QRectF(16 + dot * 20, 16, 12, 12), dot == 0 ? QColor(0xe0, 0x5d, 0x4f) : look.barText);

        qreal y = firstLineY;
        for (Line& line : frame.lines) {
            const QFont font = fittingFont(look, line.text);
            const QFontMetricsF metrics(font);
            // The box starts at the first visible character, not at the indentation before it.
            qsizetype lead = 0;
            while (lead < line.text.size() && line.text.at(lead).isSpace())
                ++lead;
            const qreal left = metrics.horizontalAdvance(line.text.left(lead));
            const qreal width = metrics.horizontalAdvance(line.text.trimmed());
            p.setFont(font);
            p.setPen(line.text.startsWith(QLatin1Char('$')) || line.text.contains(QLatin1String(" / ")) ? look.accent
                                                                                                        : look.text);
            p.drawText(QPointF(marginX, y + metrics.ascent()), line.text);
            const QRectF box(marginX + left - pad, y - pad, width + 2 * pad, metrics.height() + 2 * pad);
            line.box = QRectF(box.x() / canvasW, box.y() / canvasH, box.width() / canvasW, box.height() / canvasH);
            y += lineStep;
        }
        p.end();

        if (!frame.redaction.isEmpty()) // removed at capture: boxes, but no picture
            continue;
        const QString path = QDir(folder).filePath(QStringLiteral("frame-%1.png").arg(id));
        if (!image.save(path, "PNG")) {
            *error = QStringLiteral("cannot write ") + path;
            return false;
        }
        frame.imagePath = QFileInfo(path).absoluteFilePath();
        frame.imageBytes = QFileInfo(path).size();
    }
    return true;
}

} // namespace vesk::demo
