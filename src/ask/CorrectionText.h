#pragma once

#include "Reply.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The words and values of a claim's correction (what the user says is wrong, the daemon's receipt
// and the memories that share its evidence), read from daemon replies without any widget.
namespace vesk::CorrectionText {

// The three judgements, as the choice buttons read and as the daemon is sent them, in one order.
inline const QStringList choices{QStringLiteral("The fact is wrong"), QStringLiteral("The source does not support it"),
                                 QStringLiteral("This is outdated")};
inline const QStringList judgements{QStringLiteral("fact_wrong"), QStringLiteral("source_unsupported"),
                                    QStringLiteral("stale")};

// One of two readings the answer model proposed for a claim, with the screen text it rests on.
struct Interpretation {
    QString text;
    QString quote;
    qint64 frame = 0;
    bool operator==(const Interpretation&) const = default;
};
// A claim's "alternatives": exactly two complete readings of different text, or none at all.
QList<Interpretation> interpretations(const QJsonObject& claim);

// One list of a receipt's links: the first `shownLinks` distinct positive ids in ascending order,
// which the view lays out as buttons, and how many more the list held.
struct Links {
    QList<qint64> ids;
    qsizetype more = 0;
    bool operator==(const Links&) const = default;
    bool empty() const { return ids.isEmpty() && more == 0; }
};
// A person opens a few of a correction's links, never thousands: past this many a list says how
// many it leaves out.
inline constexpr qsizetype shownLinks = 40;

// The links of a receipt: source frames, related entities and relationships, whether the daemon
// sent only part of them, and whether a list it sent could not be read at all (an array of
// nothing but wrong elements), which is not an empty list.
struct Evidence {
    Links frames;
    Links nodes;
    Links relations;
    bool truncated = false;
    bool unreadable = false;
    bool operator==(const Evidence&) const = default;
    bool empty() const { return frames.empty() && nodes.empty() && relations.empty(); }
};
// Nothing unless the reply is a receipt that lists its source frames (older daemons do not).
std::optional<Evidence> evidence(const std::optional<QJsonObject>& reply);

// Where a claim's correction stands: nothing submitted, in flight, recorded (with the receipt to
// show) or not confirmed (with the daemon's words when it refused with some).
struct State {
    enum class Kind { ready, saving, saved, failed };
    Kind kind = Kind::ready;
    QString receipt;
    std::optional<QString> said;
    bool operator==(const State&) const = default;
};
// The state a `correct_claim` reply leaves: "Corrected · 2 sources · 1 related memory", or failed.
// A count the daemon gave that is no count reads "sources unavailable".
State result(const Reply& reply);

// A `correct_claim` reply read once, off the main thread: the state and the links it leaves.
struct Receipt {
    State state;
    std::optional<Evidence> evidence;
};
Receipt receipt(const Reply& reply);
// A saved receipt for a rejected reading: the reading quoted on a line of its own above it.
QString markedWrong(const QString& reading, const QString& receipt);

// A memory that shares a correction's evidence, as the inspector shows it: its label, its source
// frames (ids of 1 or more), how many sources it has in all and how many ids the daemon sent.
struct Memory {
    QString label;
    QList<qint64> frames;
    qint64 total = 0;
    qint64 listed = 0;
    bool operator==(const Memory&) const = default;
};
// `kind` is "entity" (a `why` reply) or "relationship" (a `relation_evidence` reply); nothing when
// the reply is not of that kind or has no label.
std::optional<Memory> memory(const std::optional<QJsonObject>& reply, const QString& kind);
// "Related entity · 12 sources"
QString memoryLine(const QString& kind, qint64 total);
// "Showing 5 of 12 sources." when fewer ids came than the memory has sources.
std::optional<QString> showingLine(const Memory& memory);
QString unavailable(const QString& kind);

} // namespace vesk::CorrectionText
