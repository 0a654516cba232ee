#pragma once

#include "Candidate.h"
#include "DaemonClient.h"
#include "Signals.h"

#include <QList>
#include <QSet>
#include <QString>
#include <optional>
#include <variant>

// The pure rules of the delivery decision: how the daemon's own reminder is read, which search
// candidate is best, the adaptive relevance gate and how a shown card counts.
namespace vesk::Decision {

// The classified answer of "next_semantic_interjection".
struct Muted {
    std::optional<QString> packageID;
    QString kind;
    bool operator==(const Muted&) const = default;
};
struct Unclassified {
    std::optional<QString> packageID;
    bool operator==(const Unclassified&) const = default;
};
struct Card {
    Candidate candidate;
    bool operator==(const Card&) const = default;
};
struct Unavailable {
    bool operator==(const Unavailable&) const = default;
};
struct Silent {
    bool operator==(const Silent&) const = default;
};
using SemanticReply = std::variant<Muted, Unclassified, Card, Unavailable, Silent>;

// "unavailable" outranks anything else in the reply; a reply without an item is silence, which
// leaves the search path its turn; an item without a state class is held rather than guessed at.
// Muting is by exact kind.
SemanticReply classifySemanticReply(const Reply& reply, const QSet<QString>& muted, const QString& context);

// How a shown card counts.
enum class Accounting { none, searchCard, semanticCard };

// Whether the card stamps the seven-day cooldown and counts against today's cap.
bool countsAgainstCap(Accounting accounting);
// Applies the card to the signals (today's count rises for counting cards) and says whether
// "shown" goes to the daemon's adoption record, which only search cards feed.
bool countShown(Signals& learned, Accounting accounting);

// Today's cap is reached (extra is the quota the user allowed on top of the cap).
bool capReached(const Signals& learned, qint64 dailyCap, qint64 extraToday);

// 0.74, or 0.82 once at least 5 cards were shown and fewer than a quarter opened.
double baseGate(const Signals& learned);
// The base gate lowered by 0.08 for an encouraged kind, never below 0.66.
double relevanceGate(const Signals& learned, const QString& kind);

// The index of the most confident candidate; the first wins among equals.
std::optional<qsizetype> best(const QList<Candidate>& candidates);

// The daemon's routing answer, when it carries both a route and a reason.
struct Route {
    QString route;
    QString reason;
    bool operator==(const Route&) const = default;
};
std::optional<Route> readRoute(const Reply& reply);

} // namespace vesk::Decision
