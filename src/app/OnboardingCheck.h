#pragma once

#include <QObject>
#include <optional>

namespace vesk {

class Clock;
class DaemonClient;

// Asks the daemon whether setup is complete (the Boolean "onboarded" of its status reply), and
// asks again on the clock while it cannot say: attempts 0 to 24, each retry after a delay rising
// by half a second up to five. Ends in one `settled`: the answer, or nothing once it gives up.
// Main thread only.
class OnboardingCheck : public QObject {
    Q_OBJECT
public:
    static constexpr int lastAttempt = 24;
    static double retryDelay(int attempt);

    OnboardingCheck(DaemonClient& client, Clock& clock, QObject* parent = nullptr);

    void start();

signals:
    void settled(std::optional<bool> onboarded);

private:
    void ask();

    DaemonClient& client;
    Clock& clock;
    int attempt = 0;
};

} // namespace vesk
