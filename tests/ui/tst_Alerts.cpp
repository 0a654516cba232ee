#include "Alerts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QtTest>

using namespace vesk;

// The real presenter with a daemon's message of any size: the box stays on the screen with its
// buttons, shows a cut text, and keeps the whole one under its details.
class AlertsTest : public QObject {
    Q_OBJECT
private slots:
    void hugeMessage_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("one unbroken line") << QString(200'000, QLatin1Char('x'));
        QTest::newRow("many short lines") << QStringLiteral("no such frame\n").repeated(15'000);
        QTest::newRow("long words and emoji") << QStringLiteral("a\U0001F600").repeated(60'000);
    }
    void hugeMessage()
    {
        QFETCH(QString, text);
        AlertSpec spec;
        spec.style = AlertSpec::Style::warning;
        spec.title = QStringLiteral("Could not rename that.");
        spec.text = text;
        spec.buttons = {QStringLiteral("OK")};
        MessageBoxAlerts alerts;
        bool seen = false;
        QTimer::singleShot(0, this, [&] {
            QTRY_VERIFY(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()));
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QTRY_VERIFY(box->isVisible());
            const QRect screen = box->screen()->availableGeometry();
            QAbstractButton* ok = nullptr;
            for (QAbstractButton* b : box->buttons())
                if (b->text() == QStringLiteral("OK"))
                    ok = b;
            QVERIFY(ok);
            QVERIFY2(box->width() <= screen.width(), qPrintable(QString::number(box->width())));
            QVERIFY(screen.contains(QRect(ok->mapToGlobal(QPoint(0, 0)), ok->size())));
            QVERIFY(box->informativeText().size() < 1'000);
            QVERIFY(box->informativeText().endsWith(QChar(0x2026)));
            QCOMPARE(box->detailedText(), spec.title + QStringLiteral("\n\n") + text);
            seen = true;
            ok->click();
        });
        QCOMPARE(alerts.run(spec), 0);
        QVERIFY(seen);
    }
};

QTEST_MAIN(AlertsTest)
#include "tst_Alerts.moc"
