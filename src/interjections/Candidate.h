#pragma once

#include <QString>
#include <optional>

namespace vesk {

// One remindable open item.
struct Candidate {
    qint64 id = 0;                    // the daemon's node id
    QString label;                    // the card's headline
    QString kind;                     // "open_question", "task", "decision", or the daemon's state class
    qint64 sources = 0;               // sources behind the item; `unknown` when unreadable
    double confidence = 0;            // relevance to the window in front, 0 to 1; `unknown` when unreadable
    QString context;                  // the foreground display text the item was found for
    std::optional<QString> packageID; // the daemon's delivery package, when it issued one

    // A number the daemon gave that could not be read (a held-back item's sources or relevance).
    static constexpr int unknown = -1;

    // The key of the seven-day cooldown: node 42 of kind "task" is "42:task".
    QString cooldownKey() const { return QString::number(id) + QLatin1Char(':') + kind; }

    bool operator==(const Candidate&) const = default;
};

} // namespace vesk
