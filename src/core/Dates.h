#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

// Every date and time the program writes, in one place, so one page never mixes two clocks by
// accident. Times are shown in the local time zone. Where a text has no fixed pattern, the time is
// written in the locale's own style through one formatter (C and POSIX read as American English);
// the fixed patterns keep their 24-hour clock in every locale, with the locale's month names.
namespace vesk::Dates {

// Local time of milliseconds since the Unix epoch.
QDateTime local(qint64 ms);

// The locale's medium date and short time ("Mar 2, 2026, 2:05 PM" in en_US, "2 Mar 2026, 14:05" in
// en_GB, "02.03.2026, 14:05" in de_DE).
QString mediumDateShortTime(const QDateTime& at);
// The locale's short date and medium time ("3/2/26, 2:05:09 PM" in en_US).
QString shortDateMediumTime(const QDateTime& at);
// The locale's short time alone ("2:05 PM" in en_US, "14:05" in en_GB).
QString shortTime(const QDateTime& at);

// Fixed patterns with the locale's month names.
QString monthDay(const QDateTime& at);          // "March 2"
QString monthDayTime(const QDateTime& at);      // "March 2, 14:05:09"
QString shortMonthDayTime(const QDateTime& at); // "Mar 2, 14:05"
// A span of whole hours on the 24-hour clock: "22:00–08:00".
QString hourSpan(qint64 start, qint64 end);
// The local clock hour of a time as a number (the local day's Julian day × 24 + its hour): for
// grouping, never shown; two times share it exactly when their local date and hour are the same.
qint64 localHour(const QDateTime& at);

// The age of something seen at `seen`: "just now" (under a minute, also in the future), "4 min ago",
// "2 hr ago", "yesterday", else monthDay.
QString ago(const QDateTime& seen, const QDateTime& now);
// The age in days: "today", "yesterday", "5 days ago" (under 31 days), else monthDay.
QString daysAgo(const QDateTime& seen, const QDateTime& now);

// Whether a count of milliseconds stands for a date (within about 285,000 years of 1970); larger
// ones are unreadable rather than wrapped around.
bool readable(double ms);
// The local time of a readable count of milliseconds.
std::optional<QDateTime> fromMs(double ms);

} // namespace vesk::Dates
