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

    // Texts without a fixed pattern follow the locale's own clock, all from one formatter (C reads as
    // American English); the fixed patterns keep their 24-hour clock whatever the locale.
    void localeStyles_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("open");
        QTest::addColumn<QString>("fixed");
        QTest::newRow("C") << QLocale::c() << "Mar 2, 2026, 2:05\u202FPM · 2:05\u202FPM"
                           << "March 2, 14:05:09 · Mar 2, 14:05 · 22:00–08:00";
        QTest::newRow("en_GB") << QLocale("en_GB") << "2 Mar 2026, 14:05 · 14:05"
                               << "March 2, 14:05:09 · Mar 2, 14:05 · 22:00–08:00";
        QTest::newRow("de_DE") << QLocale("de_DE") << "02.03.2026, 14:05 · 14:05"
                               << "März 2, 14:05:09 · März 2, 14:05 · 22:00–08:00";
    }
    void localeStyles()
    {
        QFETCH(QLocale, locale);
        QLocale::setDefault(locale);
        const QDateTime at = now.addSecs(9);
        QTEST(Dates::mediumDateShortTime(at) + " · " + Dates::shortTime(at), "open");
        QTEST(Dates::monthDayTime(at) + " · " + Dates::shortMonthDayTime(at) + " · " + Dates::hourSpan(22, 8), "fixed");
        QLocale::setDefault(QLocale::c());
    }
};

QTEST_GUILESS_MAIN(DatesTest)
#include "DatesTest.moc"
