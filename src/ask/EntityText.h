#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

// The words of an entity page, built from daemon replies without any widget.
namespace vesk::EntityText {

// "‹  back to results" and its two siblings, for where the page was opened from. A page opened
// from outside the panel (a reminder) had nothing before it: back searches for its own `name`.
enum class BackTo { results, inbox, answer, search };
QString backRow(BackTo where, const QString& name = {});

// A kind as the words a person reads, the same on every line that names one: "open_question"
// reads "Open question", "person" "Person"; "?" (no kind given) stays as it is.
QString kindWord(const QString& kind);

// The kind in words + "  ·  " + "3 sources" (below 0: "sources unavailable"); "first seen " and
// the time follow when the daemon gave one.
QString subtitle(const QString& kind, qint64 sources, const std::optional<QString>& firstSeen = std::nullopt);

// The relations placeholder's text when a page has no edges, by the reply's "state"; nothing
// (no reply) reads like any unknown state: the daemon could not say.
QString noEdgesText(const std::optional<QString>& state);

// One hop of the graph: an edge that can be drawn needs the other entity and its own id.
struct Neighbour {
    qint64 id = 0;
    QString label;
    QString kind;
    qint64 sources = 0;
    QString phrase;
    bool outgoing = true;
    qint64 edgeId = 0;
    bool operator==(const Neighbour&) const = default;
};
std::optional<Neighbour> usableNeighbour(const QJsonObject& edge);

// A relation in its own order, its source first: "Harbor reviewed by Priya" for a relation from
// `centre` to the neighbour, "Priya reviews Harbor" for one from the neighbour to `centre`.
QString relationSentence(const Neighbour& relation, const QString& centre);

// "one hop · strongest 5 of 7 · 2 more below" for n usable neighbours out of `total`.
QString caption(qsizetype usable, qint64 total);

// The sentence and provenance line of one relation row; nothing without "other_label" and "phrase".
struct RelationLines {
    QString sentence;
    QString provenance;
    qint64 edgeId = 0;
    bool operator==(const RelationLines&) const = default;
};
std::optional<RelationLines> relationLines(const QJsonObject& edge);

// A relations reply read edge by edge: the neighbours the graph can draw, the rows of the list
// (every edge with a label and a phrase; so every neighbour has one), each up to shownRelations,
// the total the daemon counted, else the number of usable neighbours, and its "state".
struct Relations {
    QList<Neighbour> neighbours;
    QList<RelationLines> rows;
    qint64 total = 0;
    std::optional<QString> state;
};
Relations relations(const QJsonObject& reply);
inline constexpr qsizetype shownRelations = 100;
// A name or a place inside a row wraps over a few lines at most: laying out pages of it holds the
// panel. The whole name stays with the item, for its own page and the tool tip.
inline constexpr qsizetype rowTextCap = 300;

// One line of an entity page's source list: records of one app and one document or context
// within one clock hour.
struct SourceGroup {
    QString app;
    std::optional<QString> detail;
    qint64 count = 0;
    double latestMs = 0; // 0: no time in the sane range
    qint64 anchor = 0;   // frame of the newest record; 0 or less: no pixels to open
    bool operator==(const SourceGroup&) const = default;
};
QList<SourceGroup> groupSources(const QList<QJsonObject>& records);
QString groupHeadline(const SourceGroup& group);
inline constexpr int shownGroups = 40;

// A where-it-came-from reply: its records grouped, the count the daemon gave (else the number of
// records; below 0 when the daemon gave one that is no count), the entity's name as the daemon
// knows it and when it was first seen, in words ("unknown" for a time outside the sane range).
struct Sources {
    QList<SourceGroup> groups;
    qint64 count = 0;
    std::optional<QString> name;
    std::optional<QString> firstSeen;
};
Sources sources(const QJsonObject& reply);

} // namespace vesk::EntityText
