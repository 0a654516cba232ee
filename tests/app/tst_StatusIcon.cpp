#include "Contrast.h"
#include "Ink.h"
#include "StatusIcon.h"

#include <QGuiApplication>
#include <QPainter>
#include <QSet>
#include <QTest>
#include <QWidget>

using namespace vesk;
using vesk::test::contrast;

class StatusIconTest : public QObject {
    Q_OBJECT
private slots:
    // Every window carries the application's icon and names the desktop entry it belongs to.
    void appIdentity()
    {
        useAppIdentity();
        QCOMPARE(QGuiApplication::desktopFileName(), "com.vesk.vesk");
        QCOMPARE(QWidget().windowIcon().pixmap(32).toImage().pixelColor(16, 16).rgb(), Ink::dot().resolve(true).rgb());
    }

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
            for (const int size : {16, 22, 24, 32, 48}) {
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
                    // In the small slots the count reads: it is all that is drawn in Ink.dot when not
                    // recording, stands at least 0.4 of the slot high, on its badge and in contrast
                    // with it, and the badge's edge stands out from the tray.
                    if (!recording && badge > 0 && size <= 24) {
                        const QRgb ink = Ink::dot().resolve(dark).rgb();
                        QRect text;
                        for (int i = 0; i < canvas.width() * canvas.height(); ++i)
                            if (const QRgb c = canvas.pixel(i % canvas.width(), i / canvas.width());
                                qAbs(qRed(c) - qRed(ink)) + qAbs(qGreen(c) - qGreen(ink)) + qAbs(qBlue(c) - qBlue(ink))
                                < 60)
                                text |= QRect(i % canvas.width(), i / canvas.width(), 1, 1);
                        QVERIFY2(text.height() >= size * 0.4,
                                 qPrintable(QStringLiteral("%1 px high").arg(text.height())));
                        // Under the raised "+" of "9+" lies the badge's fill.
                        const QRgb fill = canvas.pixel(text.right(), text.bottom());
                        QVERIFY2(fill != tray && contrast(fill, ink) >= 4.5, "the count fades into its badge");
                        const QPoint m = text.center();
                        for (const QPoint at : {QPoint(text.left() - 1, m.y()), QPoint(text.right() + 1, m.y()),
                                                QPoint(m.x(), text.top() - 1), QPoint(m.x(), text.bottom() + 1)})
                            QVERIFY2(canvas.pixel(at) != tray, "the count touches the tray");
                        bool edge = false;
                        for (int y = text.bottom() + 1; y <= slot.bottom(); ++y)
                            edge |= contrast(canvas.pixel(m.x(), y), tray) >= 3.0;
                        QVERIFY2(edge, "the badge melts into the tray");
                    }
                    // "Not recording" is one solid ring, "cannot reach the daemon" separate dots:
                    // the glyph's pixels (those that change with its colour) form one piece or several.
                    if (badge == 0 && glyph != "●") {
                        QImage other = canvas;
                        other.fill(tray);
                        QPainter q(&other);
                        paintDot(q, slot, glyph, Qt::red, recording, badge, dark);
                        q.end();
                        QSet<int> left;
                        for (int i = 0; i < canvas.width() * canvas.height(); ++i)
                            if (other.pixel(i % canvas.width(), i / canvas.width())
                                != canvas.pixel(i % canvas.width(), i / canvas.width()))
                                left.insert(i);
                        int pieces = 0;
                        for (; !left.isEmpty(); ++pieces)
                            for (QList<int> todo{*left.begin()}; !todo.isEmpty();)
                                if (const int i = todo.takeLast(); left.remove(i))
                                    todo << i - 1 << i + 1 << i - canvas.width() << i + canvas.width();
                        QVERIFY2((pieces == 1) == (glyph == "○"),
                                 qPrintable(QStringLiteral("%1 px: %2 pieces").arg(size).arg(pieces)));
                    }
                }
            }
        }
    }
};

QTEST_MAIN(StatusIconTest)
#include "tst_StatusIcon.moc"
