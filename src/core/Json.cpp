#include "Json.h"

#include <QCborMap>
#include <QCborValue>
#include <cmath>

namespace vesk::Json {

namespace {
// 2^63 as a double: the first value that no longer fits a qint64.
constexpr double kTwo63 = 9223372036854775808.0;

// The readers of a value take it copied out (QJsonValue) or read in place (QJsonValueConstRef),
// under the same rules.
template <class Value> std::optional<qint64> integerOf(const Value& v)
{
    if (!v.isDouble())
        return std::nullopt;
    // Integers parsed from text are stored exactly; toInteger() gives them back without rounding.
    const QVariant raw = v.toVariant();
    if (raw.typeId() == QMetaType::LongLong || raw.typeId() == QMetaType::Int)
        return raw.toLongLong();
    const double d = v.toDouble();
    if (!std::isfinite(d) || d != std::trunc(d) || d < -kTwo63 || d >= kTwo63)
        return std::nullopt;
    return static_cast<qint64>(d);
}

template <class Value> std::optional<qint64> numberAsIntegerOf(const Value& v)
{
    if (!v.isDouble())
        return std::nullopt;
    if (auto exact = integerOf(v))
        return exact;
    // Past the 64-bit range a clamped value would be shown, or sent back as an id, as if the
    // daemon had said it: such a number is no integer at all.
    const double d = v.toDouble();
    if (!std::isfinite(d) || d < -kTwo63 || d >= kTwo63)
        return std::nullopt;
    return static_cast<qint64>(std::trunc(d));
}

template <class Value> std::optional<double> numberOf(const Value& v)
{
    if (!v.isDouble())
        return std::nullopt;
    const double d = v.toDouble();
    if (!std::isfinite(d))
        return std::nullopt;
    return d;
}

template <class Value> std::optional<QString> stringOf(const Value& v)
{
    if (!v.isString())
        return std::nullopt;
    return v.toString();
}

// In a CBOR view of a reply a JSON number is an integer or a double. Qt holds every whole value
// inside the 64-bit range as an integer, parsed or built; a double there is a fraction or out of
// range, and no integer.
std::optional<qint64> cborInteger(QCborValueConstRef v)
{
    if (!v.isInteger())
        return std::nullopt;
    return v.toInteger();
}

std::optional<double> cborNumber(QCborValueConstRef v)
{
    if (v.isInteger())
        return static_cast<double>(v.toInteger());
    return v.isDouble() && std::isfinite(v.toDouble()) ? std::optional(v.toDouble()) : std::nullopt;
}

// The value under `key` read where it lies, or nothing without one.
template <class Read>
auto inMap(const QCborMap& o, const QCborValue& key, Read read) -> decltype(read(o.cbegin().value()))
{
    const auto at = o.constFind(key);
    if (at == o.constEnd())
        return std::nullopt;
    return read(at.value());
}

// An id is a whole number above zero.
std::optional<qint64> positive(std::optional<qint64> whole)
{
    return whole && *whole > 0 ? whole : std::nullopt;
}

} // namespace

std::optional<qint64> integer(const QJsonValue& v)
{
    return integerOf(v);
}

std::optional<qint64> integer(const QJsonObject& o, QStringView key)
{
    return integer(o.value(key));
}

std::optional<qint64> id(const QJsonValue& v)
{
    const std::optional<qint64> whole = integer(v);
    return positive(whole);
}

std::optional<qint64> integer(const QCborMap& o, const QCborValue& key)
{
    return inMap(o, key, cborInteger);
}

std::optional<qint64> id(const QCborMap& o, const QCborValue& key)
{
    return positive(integer(o, key));
}

std::optional<double> number(const QCborMap& o, const QCborValue& key)
{
    return inMap(o, key, cborNumber);
}

std::optional<QString> string(const QCborMap& o, const QCborValue& key)
{
    return inMap(o, key, stringOf<QCborValueConstRef>);
}

std::optional<qint64> id(const QJsonObject& o, QStringView key)
{
    return id(o.value(key));
}

std::optional<qint64> count(const QJsonValue& v)
{
    const auto n = integer(v);
    return n && *n >= 0 ? n : std::nullopt;
}

std::optional<qint64> count(const QJsonObject& o, QStringView key)
{
    return count(o.value(key));
}

std::optional<qint64> numberAsInteger(const QJsonValue& v)
{
    return numberAsIntegerOf(v);
}

std::optional<qint64> numberAsInteger(QJsonValueConstRef v)
{
    return numberAsIntegerOf(v);
}

std::optional<qint64> numberAsInteger(const QJsonObject& o, QStringView key)
{
    return numberAsInteger(o.value(key));
}

std::optional<qint64> int64(const QJsonObject& o, QStringView key)
{
    return numberAsInteger(o.value(key));
}

std::optional<double> number(const QJsonValue& v)
{
    return numberOf(v);
}

std::optional<double> number(QJsonValueConstRef v)
{
    return numberOf(v);
}

std::optional<double> number(const QJsonObject& o, QStringView key)
{
    return number(o.value(key));
}

std::optional<bool> boolean(const QJsonObject& o, QStringView key)
{
    const QJsonValue v = o.value(key);
    if (!v.isBool())
        return std::nullopt;
    return v.toBool();
}

std::optional<QString> string(const QJsonValue& v)
{
    return stringOf(v);
}

std::optional<QString> string(QJsonValueConstRef v)
{
    return stringOf(v);
}

std::optional<QString> string(const QJsonObject& o, QStringView key)
{
    return string(o.value(key));
}

std::optional<QString> nonEmptyString(const QJsonObject& o, QStringView key)
{
    auto s = string(o, key);
    if (!s || s->isEmpty())
        return std::nullopt;
    return s;
}

std::optional<QList<QJsonObject>> objects(const QJsonObject& o, QStringView key)
{
    const QJsonValue v = o.value(key);
    if (!v.isArray())
        return std::nullopt;
    const QJsonArray a = v.toArray();
    QList<QJsonObject> out;
    out.reserve(a.size());
    for (const QJsonValue& e : a) {
        if (e.isObject())
            out.append(e.toObject());
    }
    return out;
}

std::optional<QList<QJsonArray>> arrays(const QJsonObject& o, QStringView key)
{
    const QJsonValue v = o.value(key);
    if (!v.isArray())
        return std::nullopt;
    const QJsonArray a = v.toArray();
    QList<QJsonArray> out;
    out.reserve(a.size());
    for (const QJsonValue& e : a) {
        if (e.isArray())
            out.append(e.toArray());
    }
    return out;
}

std::optional<QList<qint64>> integers(const QJsonObject& o, QStringView key)
{
    const QJsonValue v = o.value(key);
    if (!v.isArray())
        return std::nullopt;
    QList<qint64> out;
    for (const QJsonValue& e : v.toArray()) {
        if (auto i = integer(e))
            out.append(*i);
    }
    return out;
}

std::optional<double> fraction(const QJsonValue& v)
{
    const std::optional<double> d = number(v);
    if (!d || *d < 0 || *d > 1)
        return std::nullopt;
    // -0 is 0: no "-0%".
    return *d == 0 ? 0.0 : *d;
}

std::optional<double> fraction(const QJsonObject& o, QStringView key)
{
    return fraction(o.value(key));
}

std::optional<int> percent(const QJsonObject& o, QStringView key)
{
    const std::optional<double> f = fraction(o, key);
    if (!f)
        return std::nullopt;
    return static_cast<int>(std::floor(*f * 100 + 0.5));
}

std::optional<int> percentOf(qint64 part, qint64 whole)
{
    if (whole <= 0 || part < 0 || part > whole)
        return std::nullopt;
    // In 128 bits: part * 100 must not overflow for counts near the 64-bit limit.
    const __int128 hundredths = static_cast<__int128>(part) * 200 + whole;
    return static_cast<int>(hundredths / (static_cast<__int128>(whole) * 2));
}

std::optional<qint64> integerIn(const QJsonObject& o, QStringView key, qint64 lowest, qint64 highest)
{
    const std::optional<qint64> n = integer(o, key);
    if (!n || *n < lowest || *n > highest)
        return std::nullopt;
    return n;
}

std::optional<QDateTime> timestampMs(const QJsonValue& v)
{
    const std::optional<qint64> ms = numberAsInteger(v);
    if (!ms || *ms < earliestMs || *ms >= latestMs)
        return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(*ms).toLocalTime();
}

std::optional<QDateTime> timestampMs(const QJsonObject& o, QStringView key)
{
    return timestampMs(o.value(key));
}

std::optional<QJsonObject> object(const QJsonValue& v)
{
    if (!v.isObject())
        return std::nullopt;
    return v.toObject();
}

std::optional<QJsonArray> array(const QJsonValue& v)
{
    if (!v.isArray())
        return std::nullopt;
    return v.toArray();
}

std::optional<QString> kind(const QJsonObject& o)
{
    return string(o, u"kind");
}

bool isKind(const std::optional<QJsonObject>& reply, QStringView expected)
{
    if (!reply)
        return false;
    const auto k = kind(*reply);
    return k && *k == expected;
}

} // namespace vesk::Json
