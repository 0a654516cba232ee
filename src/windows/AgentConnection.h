#pragma once

#include "DaemonClient.h"

#include <QList>
#include <QString>
#include <optional>

namespace vesk {

// One coding-agent tool of the daemon's `connections` reply: whether it is installed on this
// computer, whether the daemon is registered with it, and the command that would connect it. The
// data window and the setup guide read the reply through here and word it each in their own way.
struct AgentConnection {
    QString name; // empty when the reply names none
    bool detected = false;
    bool registered = false;
    QString command; // empty when there is none
    bool operator==(const AgentConnection&) const = default;

    // Installed and not connected, with a command that would connect it.
    bool connectable() const { return detected && !registered && !command.isEmpty(); }

    // The tools in reply order (a value of the wrong type counts as absent); nothing when the reply
    // holds no "clis" array, or one with elements none of which is an object: a failed read, never
    // an empty list.
    static std::optional<QList<AgentConnection>> read(const Reply& reply);
};

} // namespace vesk
