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

// Any finite JSON number, truncated toward zero and clamped to the 64-bit range ("read as an integer").
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

// An array whose every element is an object; an array holding anything else is not one.
std::optional<QList<QJsonObject>> objects(const QJsonObject& o, QStringView key);
// An array whose every element is an array (rows read by position).
std::optional<QList<QJsonArray>> arrays(const QJsonObject& o, QStringView key);
// The elements of an array that are integers, in order; other elements are left out.
std::optional<QList<qint64>> integers(const QJsonObject& o, QStringView key);

// The reply's "kind" when it is a string.
std::optional<QString> kind(const QJsonObject& o);
// True when the reply exists and its "kind" is exactly the expected string.
bool isKind(const std::optional<QJsonObject>& reply, QStringView expected);

} // namespace vesk::Json
