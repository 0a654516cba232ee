#include "OnboardingCheck.h"

#include "Clock.h"
#include "DaemonClient.h"

#include <algorithm>

namespace vesk {

double OnboardingCheck::retryDelay(int attempt)
{
    return std::min(0.5 * (attempt + 1), 5.0);
}

OnboardingCheck::OnboardingCheck(DaemonClient& client, Clock& clock, QObject* parent)
    : QObject(parent)
    , client(client)
    , clock(clock)
{
}

void OnboardingCheck::start()
{
    attempt = 0;
    ask();
}

void OnboardingCheck::ask()
{
    client.needsOnboarding(this, [this](std::optional<bool> needed) {
        if (needed) {
            emit settled(!*needed);
        } else if (attempt < lastAttempt) {
            clock.after(retryDelay(attempt), this, [this] {
                ++attempt;
                ask();
            });
        } else {
            emit settled(std::nullopt);
        }
    });
}

} // namespace vesk
