#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

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

// "Read as a 64-bit integer": the same rule as numberAsInteger; whole values keep every digit.
std::optional<qint64> int64(const QJsonObject& o, QStringView key);

// Any finite JSON number as a floating value.
std::optional<double> number(const QJsonObject& o, QStringView key);
std::optional<double> number(const QJsonValue& v);

std::optional<bool> boolean(const QJsonObject& o, QStringView key);
std::optional<QString> string(const QJsonObject& o, QStringView key);
std::optional<QString> string(const QJsonValue& v);
std::optional<QString> nonEmptyString(const QJsonObject& o, QStringView key);

// Arrays are read element by element: one bad element never costs the good ones. The elements
// that are objects, in order; nothing when the value is not an array.
std::optional<QList<QJsonObject>> objects(const QJsonObject& o, QStringView key);
// The elements that are arrays (rows read by position), in order; nothing when not an array.
std::optional<QList<QJsonArray>> arrays(const QJsonObject& o, QStringView key);
// The elements of an array that are integers, in order; other elements are left out.
std::optional<QList<qint64>> integers(const QJsonObject& o, QStringView key);

// The reply's "kind" when it is a string.
std::optional<QString> kind(const QJsonObject& o);
// True when the reply exists and its "kind" is exactly the expected string.
bool isKind(const std::optional<QJsonObject>& reply, QStringView expected);

} // namespace vesk::Json
