#pragma once

#include "DaemonClient.h"

#include <QObject>
#include <functional>
#include <optional>

namespace vesk {

class Alerts;
class Defaults;
class Launcher;

// The daemon takes changes only from a build it trusts: when this copy was replaced by an update
// while it ran, every change it sends is refused. A hello reply saying so is explained once, and
// the new build is started in this one's place, once per executable: a build refused again after
// its own relaunch says so instead and keeps running, read-only. Main thread only.
class StaleBuild : public QObject {
    Q_OBJECT
public:
    // The modification time of the executable a relaunch was last made for (seconds since 1970).
    static constexpr const char* relaunchedKey = "vesk.relaunched_for_build";

    struct Services {
        Defaults& defaults;
        Alerts& alerts;
        Launcher& launcher;
    };
    // `executableTime` reads the running executable's modification time (nothing when it cannot);
    // `startedByRelaunch` says this copy was itself started by a relaunch.
    StaleBuild(Services services, std::function<std::optional<double>()> executableTime, bool startedByRelaunch,
               QObject* parent = nullptr);

    // Every hello reply.
    void quitIfStale(const Reply& hello);
    // Set once either alert was shown: later replies are ignored.
    bool relaunching() const { return alerted; }

signals:
    // The new build was started (or could not be): this copy ends.
    void quitRequested();

private:
    void stillRefused();

    Defaults& defaults;
    Alerts& alerts;
    Launcher& launcher;
    std::function<std::optional<double>()> executableTime;
    bool startedByRelaunch;
    bool alerted = false;
};

} // namespace vesk
