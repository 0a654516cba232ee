#pragma once

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

class QCborMap;
class QCborValue;

// The one place that says how a daemon reply is read. Every key is optional, and a value of the
// wrong JSON type counts as absent; callers supply their own defaults with value_or.
namespace vesk::Json {

// A JSON number with a whole value that fits a signed 64-bit integer (3 and 3.0, not 3.5).
std::optional<qint64> integer(const QJsonObject& o, QStringView key);
std::optional<qint64> integer(const QJsonValue& v);

// An id the daemon gave: a whole number above zero. Anything else (7.9, 0, -3, a string) is no
// id, so a row without one is skipped rather than acted on under an id the daemon never gave.
std::optional<qint64> id(const QJsonObject& o, QStringView key);
std::optional<qint64> id(const QJsonValue& v);

// A count: a whole number, zero or more. Anything else is no count, which a line says is
// unavailable rather than showing it as 0 or below.
std::optional<qint64> count(const QJsonObject& o, QStringView key);
std::optional<qint64> count(const QJsonValue& v);

// Any finite JSON number inside the 64-bit range, truncated toward zero ("read as an integer");
// a number outside that range counts as absent.
std::optional<qint64> numberAsInteger(const QJsonObject& o, QStringView key);
std::optional<qint64> numberAsInteger(const QJsonValue& v);
std::optional<qint64> numberAsInteger(QJsonValueConstRef v);

// "Read as a 64-bit integer": the same rule as numberAsInteger; whole values keep every digit.
std::optional<qint64> int64(const QJsonObject& o, QStringView key);

// Any finite JSON number as a floating value.
std::optional<double> number(const QJsonObject& o, QStringView key);
std::optional<double> number(const QJsonValue& v);
// The same for a value read in place, as a walk over an object's entries gives it: over many
// records, copying each value out costs more than reading it.
std::optional<double> number(QJsonValueConstRef v);

std::optional<bool> boolean(const QJsonObject& o, QStringView key);
std::optional<QString> string(const QJsonObject& o, QStringView key);
std::optional<QString> string(const QJsonValue& v);
std::optional<QString> string(QJsonValueConstRef v);
std::optional<QString> nonEmptyString(const QJsonObject& o, QStringView key);

// The same readers over a record seen as CBOR (QCborMap::fromJsonObject shares a parsed object,
// nothing is copied), under the same rules. Finding a key there costs about half of
// QJsonObject::value, which counts where thousands of records are read; `key` is a CBOR string.
std::optional<qint64> integer(const QCborMap& o, const QCborValue& key);
std::optional<qint64> id(const QCborMap& o, const QCborValue& key);
std::optional<double> number(const QCborMap& o, const QCborValue& key);
std::optional<QString> string(const QCborMap& o, const QCborValue& key);

// Arrays are read element by element: one bad element never costs the good ones. An array of
// nothing but wrong elements reads as empty here; where that must be a failed read, use list()
// below. The elements that are objects, in order; nothing when the value is not an array.
std::optional<QList<QJsonObject>> objects(const QJsonObject& o, QStringView key);
// The elements that are arrays (rows read by position), in order; nothing when not an array.
std::optional<QList<QJsonArray>> arrays(const QJsonObject& o, QStringView key);
// The elements of an array that are integers, in order; other elements are left out.
std::optional<QList<qint64>> integers(const QJsonObject& o, QStringView key);

// The number rule, one for every window: a number from the daemon is shown only as what it can
// be. A count (count, above) below zero is unavailable, never a negative number and never a
// reason to delete. A share is a finite fraction from 0 to 1 and a percentage comes only from one
// (or from a part no larger than its whole). A time lies from 2000-01-01 up to, not including,
// 2100-01-01 (UTC): the daemon holds nothing from before this program existed, and a time past
// 2100 is a unit mistake or garbage; outside that range a time is unknown.

// A fraction from 0 to 1 (relevance, confidence): any finite JSON number in that range; -0 is 0.
std::optional<double> fraction(const QJsonObject& o, QStringView key);
std::optional<double> fraction(const QJsonValue& v);
// A fraction as a whole percentage from 0 to 100, halves rounded up.
std::optional<int> percent(const QJsonObject& o, QStringView key);
// `part` of `whole` as a whole percentage from 0 to 100: nothing unless 0 <= part <= whole and
// whole > 0 ("3 of 1 opened" is no rate).
std::optional<int> percentOf(qint64 part, qint64 whole);
// A whole number from `lowest` to `highest` (an hour of the day: 0 to 23); anything else is absent.
std::optional<qint64> integerIn(const QJsonObject& o, QStringView key, qint64 lowest, qint64 highest);

// The sane range of times, in milliseconds since 1970 (UTC): 2000-01-01 inclusive, 2100-01-01 not.
constexpr qint64 earliestMs = 946684800000LL;
constexpr qint64 latestMs = 4102444800000LL;
// Milliseconds since 1970 (any JSON number, fractions cut) as a local time; nothing outside the
// sane range, so 0, 9e18 and -9e15 are unknown.
std::optional<QDateTime> timestampMs(const QJsonObject& o, QStringView key);
std::optional<QDateTime> timestampMs(const QJsonValue& v);

// One element as an object or as an array, for list() below.
std::optional<QJsonObject> object(const QJsonValue& v);
std::optional<QJsonArray> array(const QJsonValue& v);

// An array whose elements should all be one thing, read with `element` (Json::object, Json::array,
// Json::id, Json::count, Json::string, Json::fraction, …): the elements that read, in order, the
// others left out. Nothing when the value is not an array, and nothing when it has elements but
// none of them reads: an array of all the wrong things is a failed read, never an empty list.
template <class T>
std::optional<QList<T>> list(const QJsonObject& o, QStringView key, std::optional<T> (*element)(const QJsonValue&))
{
    const QJsonValue v = o.value(key);
    if (!v.isArray())
        return std::nullopt;
    const QJsonArray a = v.toArray();
    QList<T> out;
    out.reserve(a.size());
    for (const QJsonValue& e : a)
        if (std::optional<T> read = element(e))
            out.append(std::move(*read));
    if (!a.isEmpty() && out.isEmpty())
        return std::nullopt;
    return out;
}

// The reply's "kind" when it is a string.
std::optional<QString> kind(const QJsonObject& o);
// True when the reply exists and its "kind" is exactly the expected string.
bool isKind(const std::optional<QJsonObject>& reply, QStringView expected);

} // namespace vesk::Json
