#include "Dates.h"

#include <QLocale>
#include <QTimeZone>
#include <algorithm>
#include <cmath>
#include <memory>
#include <unicode/udat.h>

namespace vesk::Dates {

namespace {

// Past this many milliseconds from 1970 (about 285,000 years) a value is no date anyone meant.
constexpr double kMsRange = 9.0e15;

QString userLocale()
{
    const QString name = QLocale().name();
    return name == u"C" || name == u"POSIX" ? QStringLiteral("en_US") : name;
}

// ICU's formatter for one style pair. Qt decides what the local wall time is (as everywhere else
// in the program); ICU only writes it, given as that wall time in UTC.
QString icuFormat(UDateFormatStyle time, UDateFormatStyle date, const QDateTime& at)
{
    const QDateTime wall = at.toLocalTime();
    const QDateTime asUtc(wall.date(), wall.time(), QTimeZone::utc());
    const QByteArray name = userLocale().toLatin1();
    static const UChar utc[] = u"UTC";
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UDateFormat, void (*)(UDateFormat*)> format(
        udat_open(time, date, name.constData(), utc, -1, nullptr, 0, &status), udat_close);
    if (U_FAILURE(status))
        return QLocale().toString(wall, QLocale::ShortFormat);
    UChar buffer[128];
    const int32_t n
        = udat_format(format.get(), static_cast<UDate>(asUtc.toMSecsSinceEpoch()), buffer, 128, nullptr, &status);
    if (U_FAILURE(status) || n > 128)
        return QLocale().toString(wall, QLocale::ShortFormat);
    return QString::fromUtf16(buffer, n);
}

QString pattern(const QDateTime& at, const QString& format)
{
    return QLocale().toString(at.toLocalTime(), format);
}

} // namespace

QDateTime local(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms).toLocalTime();
}

QString mediumDateShortTime(const QDateTime& at)
{
    return icuFormat(UDAT_SHORT, UDAT_MEDIUM, at);
}

QString shortDateMediumTime(const QDateTime& at)
{
    return icuFormat(UDAT_MEDIUM, UDAT_SHORT, at);
}

QString shortTime(const QDateTime& at)
{
    return icuFormat(UDAT_SHORT, UDAT_NONE, at);
}

QString monthDay(const QDateTime& at)
{
    return pattern(at, QStringLiteral("MMMM d"));
}

QString monthDayTime(const QDateTime& at)
{
    return pattern(at, QStringLiteral("MMMM d, HH:mm:ss"));
}

QString shortMonthDayTime(const QDateTime& at)
{
    return pattern(at, QStringLiteral("MMM d, HH:mm"));
}

QString hourSpan(qint64 start, qint64 end)
{
    return QStringLiteral("%1:00–%2:00").arg(start, 2, 10, QLatin1Char('0')).arg(end, 2, 10, QLatin1Char('0'));
}

qint64 localHour(const QDateTime& at)
{
    const QDateTime here = at.toLocalTime();
    return here.date().toJulianDay() * 24 + here.time().hour();
}

QString ago(const QDateTime& seen, const QDateTime& now)
{
    const double age = static_cast<double>(seen.msecsTo(now)) / 1000.0;
    if (age < 60)
        return QStringLiteral("just now"); // also a time in the future: clocks drift
    if (age < 3600)
        return QString::number(std::max<qint64>(static_cast<qint64>(age / 60), 1)) + QStringLiteral(" min ago");
    if (age < 86400)
        return QString::number(std::max<qint64>(static_cast<qint64>(age / 3600), 1)) + QStringLiteral(" hr ago");
    if (age < 172800)
        return QStringLiteral("yesterday");
    return monthDay(seen);
}

QString daysAgo(const QDateTime& seen, const QDateTime& now)
{
    const qint64 age = seen.msecsTo(now) / 1000;
    if (age < 86400)
        return QStringLiteral("today");
    if (age < 172800)
        return QStringLiteral("yesterday");
    if (age < 2678400)
        return QString::number(age / 86400) + QStringLiteral(" days ago");
    return monthDay(seen);
}

bool readable(double ms)
{
    return std::isfinite(ms) && std::abs(ms) <= kMsRange;
}

std::optional<QDateTime> fromMs(double ms)
{
    if (!readable(ms))
        return std::nullopt;
    return local(static_cast<qint64>(ms));
}

} // namespace vesk::Dates
