#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QRectF>
#include <QString>
#include <optional>

// The words of entity pages, frames and the inbox, built from daemon replies without any widget.
namespace vesk::EntityText {

// "‹  back to results" and its two siblings, for where the page was opened from.
enum class BackTo { results, inbox, answer };
QString backRow(BackTo where);

// kind + "  ·  " + "3 sources"; the first-seen time follows when the daemon gave one.
QString subtitle(const QString& kind, qint64 sources, std::optional<qint64> firstSeenMs = std::nullopt);

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
// (every edge with a label and a phrase; so every neighbour has one), and the total the daemon
// counted, else the number of neighbours.
struct Relations {
    QList<Neighbour> neighbours;
    QList<RelationLines> rows;
    qint64 total = 0;
};
Relations relations(const QJsonObject& reply);

// Proposals whose names include `label` exactly (letter case counts), with every key a card needs.
struct Proposal {
    qint64 id = 0;
    qint64 aId = 0;
    QString a;
    qint64 an = 0;
    qint64 bId = 0;
    QString b;
    qint64 bn = 0;
    std::optional<QString> method;
    bool operator==(const Proposal&) const = default;
};
std::optional<Proposal> proposal(const QJsonObject& item);
// The proposals of a reply that make a card, in reply order; with a label, only those naming it.
QList<Proposal> proposals(const QJsonObject& reply, const std::optional<QString>& naming = std::nullopt);

// The inbox's "waiting on you" lines.
QString waitingStatus(qsizetype total, qsizetype shown);
QString waitingFooter(qsizetype total, qsizetype shown);
QString methodLine(const std::optional<QString>& method);
inline constexpr qsizetype inboxCards = 25;

// Recognised items: the nodes of a "top" reply that make a row (a label and an id), those of the
// kinds worth showing grouped in display order under their headings. `any` says whether any node
// made a row at all, so "nothing yet" and "nothing of the kind worth knowing" can differ.
struct Recognised {
    qint64 id = 0;
    QString label;
    QString kind;
    qint64 sources = 0;
    QString meta;        // "+2 other spellings  ·  3 sources  ·  yesterday"
    double strength = 0; // of the track's width, from 0.02 to 1
    bool operator==(const Recognised&) const = default;
};
struct KindGroup {
    QString heading;
    QList<Recognised> items;
};
struct RecognisedItems {
    bool any = false;
    QList<KindGroup> groups;
};
RecognisedItems recognised(const QJsonObject& reply, const QDateTime& now);
std::optional<QString> lastSeen(const QJsonObject& node, const QDateTime& now);

// Frames: the lines marked for the entity a frame was opened from, and the status line under it.
QList<QRectF> highlights(const QList<QJsonObject>& lines, const QString& label);
QString frameStatus(qsizetype marked, const std::optional<QString>& redaction, qint64 expiresMs);
QString capturedLine(qint64 capturedMs);

} // namespace vesk::EntityText
