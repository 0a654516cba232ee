#pragma once

#include "Candidate.h"
#include "DaemonClient.h"

#include <QList>
#include <QSet>
#include <QString>
#include <optional>

namespace vesk {

// The reminder controller's copy of the daemon's counters, stances and held-back items.
struct Signals {
    qint64 shownTotal = 0;
    qint64 openedTotal = 0;
    qint64 heldBackTotal = 0;
    qint64 shownToday = 0; // also raised locally by each counting card
    QSet<QString> muted;
    QSet<QString> encouraged;
    QList<Candidate> heldBack;

    // The "interjection_signals" reply; nothing when there is no reply or no "held_back" list,
    // so a failed refresh keeps the previous signals.
    static std::optional<Signals> read(const Reply& reply);

    bool operator==(const Signals&) const = default;
};

} // namespace vesk
