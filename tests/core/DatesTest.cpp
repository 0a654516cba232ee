#include "Dates.h"

#include <QTest>

using namespace vesk;

namespace {
const QDateTime now(QDate(2026, 3, 2), QTime(14, 5), Qt::UTC);
}

class DatesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void ages_data()
    {
        QTest::addColumn<double>("secondsAgo");
        QTest::addColumn<QString>("ago");
        QTest::addColumn<QString>("daysAgo");
        QTest::newRow("in the future") << -600.0 << "just now"
                                       << "today";
        QTest::newRow("59 s") << 59.0 << "just now"
                              << "today";
        QTest::newRow("60 s") << 60.0 << "1 min ago"
                              << "today";
        QTest::newRow("59 min 59 s") << 3599.0 << "59 min ago"
                                     << "today";
        QTest::newRow("90 min") << 5400.0 << "1 hr ago"
                                << "today";
        QTest::newRow("30 h") << 30 * 3600.0 << "yesterday"
                              << "yesterday";
        QTest::newRow("48 h") << 48 * 3600.0 << "February 28"
                              << "2 days ago";
        QTest::newRow("30 days and an hour") << 30 * 86400.0 + 3600 << "January 31"
                                             << "30 days ago";
        QTest::newRow("31 days") << 31 * 86400.0 << "January 30"
                                 << "January 30";
    }
    void ages()
    {
        QFETCH(double, secondsAgo);
        const QDateTime seen = now.addMSecs(-qint64(secondsAgo * 1000));
        QTEST(Dates::ago(seen, now), "ago");
        QTEST(Dates::daysAgo(seen, now), "daysAgo");
    }

    // The locale's own medium date and short time; C and POSIX read as American English.
    void localeStyles_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("dateAndTime");
        QTest::newRow("en_US") << "en_US"
                               << "Mar 2, 2026"
                               << "Mar 2, 2026, 2:05\u202FPM";
        QTest::newRow("en_GB") << "en_GB"
                               << "2 Mar 2026"
                               << "2 Mar 2026, 14:05";
        QTest::newRow("de_DE") << "de_DE"
                               << "02.03.2026"
                               << "02.03.2026, 14:05";
        QTest::newRow("the user's C locale") << ""
                                             << "Mar 2, 2026"
                                             << "Mar 2, 2026, 2:05\u202FPM";
    }
    void localeStyles()
    {
        QFETCH(QString, locale);
        QTEST(Dates::mediumDate(now, locale), "date");
        QTEST(Dates::mediumDateShortTime(now, locale), "dateAndTime");
    }

    void unreadableMilliseconds()
    {
        QCOMPARE(Dates::fromMs(1772460300000.0), Dates::local(1772460300000));
        QCOMPARE(Dates::fromMs(1e300), std::nullopt);
        QCOMPARE(Dates::fromMs(-1e16), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(DatesTest)
#include "DatesTest.moc"
