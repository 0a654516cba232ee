#include "Ink.h"
#include "StatusIcon.h"

#include <QPainter>
#include <QTest>
#include <cmath>

using namespace vesk;

namespace {
// The contrast ratio of two colours, from their relative luminance.
double contrast(QRgb a, QRgb b)
{
    auto luminance = [](QRgb c) {
        auto channel = [](int v) {
            const double s = v / 255.0;
            return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(qRed(c)) + 0.7152 * channel(qGreen(c)) + 0.0722 * channel(qBlue(c));
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}
} // namespace

class StatusIconTest : public QObject {
    Q_OBJECT
private slots:

    void badgeCountsToNineThenSaysNinePlus() { QCOMPARE(badgeText(9) + ' ' + badgeText(10), "9 9+"); }

    void legibleInEverySlot_data()
    {
        QTest::addColumn<QString>("glyph");
        QTest::addColumn<bool>("recording");
        QTest::addColumn<qint64>("badge");
        QTest::newRow("unreachable") << "◌" << false << qint64(0);
        QTest::newRow("not recording") << "○" << false << qint64(0);
        QTest::newRow("recording") << "●" << true << qint64(0);
        QTest::newRow("recording, one waiting") << "●" << true << qint64(1);
        QTest::newRow("not recording, 12 waiting") << "○" << false << qint64(12);
    }

    void legibleInEverySlot()
    {
        QFETCH(QString, glyph);
        QFETCH(bool, recording);
        QFETCH(qint64, badge);
        // Light, grey and dark trays; the icon's own appearance need not match the tray's.
        const QRgb trays[] = {qRgb(0xED, 0xED, 0xED), qRgb(0x80, 0x80, 0x80), qRgb(0x2B, 0x2B, 0x2B)};
        for (const bool dark : {false, true}) {
            const QColor colour = (recording ? Ink::dot() : Ink::text2()).resolve(dark);
            for (const int size : {16, 22, 32, 48}) {
                for (const QRgb tray : trays) {
                    // The slot sits in the middle of a larger canvas, so anything drawn past it shows.
                    QImage canvas(size * 2, size * 2, QImage::Format_RGB32);
                    canvas.fill(tray);
                    const QRect slot(size / 2, size / 2, size, size);
                    QPainter p(&canvas);
                    paintDot(p, slot, glyph, colour, recording, badge, dark);
                    p.end();
                    int readable = 0;
                    for (int y = 0; y < canvas.height(); ++y)
                        for (int x = 0; x < canvas.width(); ++x) {
                            const QRgb c = canvas.pixel(x, y);
                            if (!slot.contains(x, y))
                                QVERIFY2(c == tray, qPrintable(QStringLiteral("drawn outside a %1 px slot").arg(size)));
                            readable += contrast(c, tray) >= 3.0;
                        }
                    // At least a sixteenth of the slot stands out from the tray at 3:1.
                    QVERIFY2(readable * 16 >= size * size,
                             qPrintable(QStringLiteral("%1 px slot on tray %2: %3 readable pixels")
                                            .arg(size)
                                            .arg(tray & 0xffffff, 6, 16, QLatin1Char('0'))
                                            .arg(readable)));
                }
            }
        }
    }
};

QTEST_MAIN(StatusIconTest)
#include "tst_StatusIcon.moc"
