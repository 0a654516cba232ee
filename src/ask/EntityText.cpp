#include "EntityText.h"

#include "Dates.h"
#include "Json.h"
#include "Phrases.h"

#include <QCborArray>
#include <QCborMap>
#include <QHash>
#include <QStringBuilder>
#include <QStringList>
#include <array>
#include <cmath>

namespace vesk::EntityText {

QString backRow(BackTo where, const QString& name)
{
    switch (where) {
    case BackTo::search:
        return QStringLiteral("‹  search for “") + name + QStringLiteral("”");
    case BackTo::inbox:
        return QStringLiteral("‹  back to the inbox");
    case BackTo::answer:
        return QStringLiteral("‹  back to the answer");
    case BackTo::results:
        break;
    }
    return QStringLiteral("‹  back to results");
}

QString kindWord(const QString& kind)
{
    QString words = kind;
    words.replace(QLatin1Char('_'), QLatin1Char(' '));
    words = words.simplified();
    if (words.isEmpty())
        return QStringLiteral("?");
    words[0] = words[0].toUpper();
    return words;
}

QString subtitle(const QString& kind, qint64 sources, const std::optional<QString>& firstSeen)
{
    QString text = kindWord(kind) + separator
        + countPhrase(sources >= 0 ? std::optional(sources) : std::nullopt, QStringLiteral("source"));
    if (firstSeen)
        text += separator + QStringLiteral("first seen ") + *firstSeen;
    return text;
}

QString noEdgesText(const std::optional<QString>& state)
{
    if (state == u"none_found")
        return QStringLiteral("Vesk has read the screen text behind this and found nothing it was confident enough to "
                              "state. Most batches of screen text contain no clear relation, so this is the ordinary "
                              "answer.");
    if (state == u"off")
        return QStringLiteral("Nobody has looked. Reading relations means sending lines of screen text to a model, and "
                              "you turned that one off during setup. `veskd relations --on` turns it back on and says "
                              "what it costs first.");
    return QStringLiteral("Vesk is not reachable, so it cannot say.");
}

std::optional<Neighbour> usableNeighbour(const QJsonObject& edge)
{
    const auto id = Json::id(edge, u"other_id");
    const auto label = shownLabel(Json::string(edge, u"other_label"));
    const auto phrase = shownLabel(Json::string(edge, u"phrase"));
    const auto edgeId = Json::id(edge, u"edge_id");
    if (!id || !label || !phrase || !edgeId)
        return std::nullopt;
    return Neighbour{*id,
                     *label,
                     Json::string(edge, u"other_kind").value_or(QStringLiteral("?")),
                     Json::numberAsInteger(edge, u"other_sources").value_or(0),
                     *phrase,
                     Json::boolean(edge, u"outgoing").value_or(true),
                     *edgeId};
}

QString relationSentence(const Neighbour& relation, const QString& centre)
{
    const QString& source = relation.outgoing ? centre : relation.label;
    const QString& target = relation.outgoing ? relation.label : centre;
    return source + QLatin1Char(' ') + relation.phrase + QLatin1Char(' ') + target;
}

QString caption(qsizetype usable, qint64 total)
{
    const qint64 n = usable;
    QStringList parts{QStringLiteral("one hop")};
    if (n <= 5) {
        parts << countPhrase(total, QStringLiteral("neighbour")) << QStringLiteral("click one to open it");
    } else {
        parts << QStringLiteral("strongest 5 of ") + QString::number(total)
              << QString::number(n - 5) + QStringLiteral(" more below");
    }
    if (total - n >= 1)
        parts << QString::number(total - n) + QStringLiteral(" beyond the ") + QString::number(n)
                + QStringLiteral("-relation limit are not shown");
    return parts.join(QStringLiteral(" · "));
}

std::optional<RelationLines> relationLines(const QJsonObject& edge)
{
    auto other = shownLabel(Json::string(edge, u"other_label"));
    auto phrase = shownLabel(Json::string(edge, u"phrase"));
    if (!other || !phrase)
        return std::nullopt;
    other = cutWithEllipsis(std::move(*other), rowTextCap);
    phrase = cutWithEllipsis(std::move(*phrase), rowTextCap);
    const bool outgoing = Json::boolean(edge, u"outgoing").value_or(true);
    RelationLines out;
    out.sentence = outgoing ? *phrase + QLatin1Char(' ') + *other
                            : *other + QLatin1Char(' ') + *phrase + QStringLiteral(" this");
    QString origin = QStringLiteral("Vesk has no record of where this came from");
    if (const auto extractor = Json::string(edge, u"extractor")) {
        if (extractor->startsWith(QStringLiteral("relation")))
            origin = QStringLiteral("read from screen text by a model");
        else if (extractor->startsWith(QStringLiteral("ax-")))
            origin = QStringLiteral("derived from the page itself, not guessed");
        else
            origin = QStringLiteral("recorded by ") + *extractor;
    }
    out.provenance = countPhrase(Json::numberAsInteger(edge, u"sightings").value_or(0), QStringLiteral("observation"))
        + separator + origin;
    // 0: no id the daemon gave, so the row offers nothing to act on.
    out.edgeId = Json::id(edge, u"edge_id").value_or(0);
    return out;
}

Relations relations(const QJsonObject& reply)
{
    Relations out;
    qint64 usable = 0;
    for (const QJsonObject& edge : Json::objects(reply, u"edges").value_or(QList<QJsonObject>())) {
        // Past what the page lays out an edge only counts.
        if (auto n = usableNeighbour(edge)) {
            ++usable;
            if (out.neighbours.size() < shownRelations)
                out.neighbours << *n;
        }
        if (out.rows.size() < shownRelations)
            if (auto row = relationLines(edge))
                out.rows << *row;
    }
    out.total = Json::numberAsInteger(reply, u"total").value_or(usable);
    out.state = Json::string(reply, u"state");
    return out;
}

namespace {

// A source group's place: its local clock hour, and its app and document or context, each as a
// number given to the first record that had it, so a record is placed by hashing three numbers
// rather than a string built for it.
struct GroupKey {
    qint64 hour = 0;
    qsizetype app = 0;
    qsizetype detail = 0;
    bool operator==(const GroupKey&) const = default;
};

size_t qHash(const GroupKey& key, size_t seed = 0)
{
    return qHashMulti(seed, key.hour, key.app, key.detail);
}

// Numbers the distinct texts in the order they first come.
class Numbering {
public:
    qsizetype of(const QString& text)
    {
        auto it = numbers.constFind(text);
        if (it == numbers.cend())
            it = numbers.insert(text, numbers.size());
        return *it;
    }

private:
    QHash<QString, qsizetype> numbers;
};

// The entries that name a record's place, in the order they are read: its app by name, else by
// bundle id, then its document, else its context.
constexpr std::array<QLatin1StringView, 4> placeKeys{QLatin1StringView("app_name"), QLatin1StringView("app_bundle_id"),
                                                     QLatin1StringView("document_url"), QLatin1StringView("context")};
using PlaceEntries = std::array<QCborValue, placeKeys.size()>;

// An entry as it lies in the record; absent as undefined, which no JSON value is.
QCborValue entry(const QCborMap& record, QLatin1StringView key)
{
    const auto it = record.constFind(key);
    return it == record.constEnd() ? QCborValue() : QCborValue(it.value());
}

// Places records in their groups, one record at a time. A record is read as a CBOR map over the
// parsed reply's own storage (a JSON object shares it): keys are compared where they lie and an
// entry is made text only when the record starts a group, which copying each key and value out as
// a QString per record would not allow.
class Grouping {
public:
    void add(const QCborMap& record);
    QList<SourceGroup> groups;

private:
    bool samePlaceAsLast(const QCborMap& record) const;
    qsizetype placeOf(const PlaceEntries& entries, double ms, qint64 quarter, qint64 frame);
    QHash<GroupKey, qsizetype> byKey;
    Numbering apps, details;
    QHash<qint64, qint64> hours; // quarter hour → local clock hour
    // Records come newest first and a user stays in one place for a while: most belong to the
    // group of the record before, which is tried first by comparing its place entries as they are.
    struct {
        qint64 quarter = -1;
        PlaceEntries entries;
        qsizetype group = -1;
    } last;
};

void Grouping::add(const QCborMap& record)
{
    double ms = Json::number(entry(record, QLatin1StringView("observed_at_ms")).toJsonValue()).value_or(0);
    // Outside the sane range a time is unknown, never an odd year.
    if (!(ms >= Json::earliestMs && ms < Json::latestMs))
        ms = 0;
    // Finding a local time is the costly step; every time zone offset is a multiple of 15
    // minutes, so records within one quarter hour share their local clock hour.
    const qint64 quarter = static_cast<qint64>(std::floor(ms / 900000.0));
    // The frame matters only to the newest record of a group, read when a record is that.
    const auto frame
        = [&] { return Json::numberAsInteger(entry(record, QLatin1StringView("frame_id")).toJsonValue()).value_or(0); };

    if (last.group < 0 || quarter != last.quarter || !samePlaceAsLast(record)) {
        PlaceEntries entries;
        for (size_t i = 0; i < placeKeys.size(); ++i)
            entries[i] = entry(record, placeKeys[i]);
        last.group = placeOf(entries, ms, quarter, frame());
        last.quarter = quarter;
        last.entries = std::move(entries);
    }
    SourceGroup& group = groups[last.group];
    ++group.count;
    if (group.latestMs < ms) {
        group.latestMs = ms;
        group.anchor = frame();
    }
}

bool Grouping::samePlaceAsLast(const QCborMap& record) const
{
    // Each pair: the entry that names the place when it is a text, then the one read otherwise.
    for (const size_t preferred : {size_t(0), size_t(2)}) {
        const QCborValue value = entry(record, placeKeys[preferred]);
        if (value != last.entries[preferred])
            return false;
        if (!value.isString() && entry(record, placeKeys[preferred + 1]) != last.entries[preferred + 1])
            return false;
    }
    return true;
}

// The group of a record whose place differs from the record before's: found by its hour, app
// and detail, or started with the record's time and frame (and a count of 0, which add raises).
qsizetype Grouping::placeOf(const PlaceEntries& entries, double ms, qint64 quarter, qint64 frame)
{
    const std::optional<QString> named = Json::string(entries[0].toJsonValue());
    const std::optional<QString> document = Json::string(entries[2].toJsonValue());
    const QString app
        = shownLabel(named ? named : Json::string(entries[1].toJsonValue())).value_or(QStringLiteral("unknown"));
    const std::optional<QString> detail = shownLabel(document ? document : Json::string(entries[3].toJsonValue()));
    auto hour = hours.constFind(quarter);
    if (hour == hours.constEnd())
        hour = hours.insert(quarter, Dates::localHour(Dates::local(static_cast<qint64>(ms))));
    // An absent detail and an empty one name the same place.
    const GroupKey key{*hour, apps.of(app), details.of(detail.value_or(QString()))};
    const auto found = byKey.constFind(key);
    if (found != byKey.constEnd())
        return *found;
    byKey.insert(key, groups.size());
    groups.append(SourceGroup{app, detail, 0, ms, frame});
    return groups.size() - 1;
}

} // namespace

QList<SourceGroup> groupSources(const QList<QJsonObject>& records)
{
    Grouping grouping;
    for (const QJsonObject& record : records)
        grouping.add(QCborMap::fromJsonObject(record));
    return grouping.groups;
}

Sources sources(const QJsonObject& reply)
{
    Sources out;
    // Walked in place, as CBOR over the same storage: copying out 100,000 records first would
    // cost a third of reading them.
    const QCborArray records = QCborArray::fromJsonArray(reply.value(u"sources").toArray());
    Grouping grouping;
    qsizetype objects = 0;
    for (auto it = records.constBegin(); it != records.constEnd(); ++it) {
        if (it->isMap()) {
            grouping.add(it->toMap());
            ++objects;
        }
    }
    out.groups = std::move(grouping.groups);
    out.count = reply.contains(u"source_count") ? Json::count(reply, u"source_count").value_or(-1) : objects;
    out.name = shownLabel(Json::nonEmptyString(reply, u"label"));
    if (reply.contains(u"first_seen_ms")) {
        const std::optional<QDateTime> seen = Json::timestampMs(reply, u"first_seen_ms");
        out.firstSeen = seen ? Dates::mediumDateShortTime(*seen) : QStringLiteral("unknown");
    }
    return out;
}

QString groupHeadline(const SourceGroup& group)
{
    const QString when = group.latestMs > 0
        ? Dates::shortMonthDayTime(Dates::local(static_cast<qint64>(group.latestMs)))
        : QStringLiteral("time unknown");
    QString line = when + QStringLiteral("    ") + group.app;
    if (group.count >= 2)
        line += QStringLiteral("   ×") + QString::number(group.count);
    return line;
}

} // namespace vesk::EntityText
