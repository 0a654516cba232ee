#include "StaleBuild.h"

#include "Alerts.h"
#include "Defaults.h"
#include "Json.h"
#include "PlatformServices.h"

namespace vesk {

StaleBuild::StaleBuild(Services services, std::function<std::optional<double>()> executableTime, bool startedByRelaunch,
                       QObject* parent)
    : QObject(parent)
    , defaults(services.defaults)
    , alerts(services.alerts)
    , launcher(services.launcher)
    , executableTime(std::move(executableTime))
    , startedByRelaunch(startedByRelaunch)
{
}

void StaleBuild::quitIfStale(const Reply& hello)
{
    if (alerted || !hello || Json::boolean(*hello, u"writable") != std::optional<bool>(false))
        return;
    const QString key = QString::fromLatin1(relaunchedKey);
    const std::optional<double> t = executableTime ? executableTime() : std::nullopt;
    if (t && *t > 0) {
        if (defaults.number(key) == t) {
            stillRefused();
            return;
        }
        defaults.setNumber(key, *t);
    } else if (startedByRelaunch) {
        // Without the executable's time nothing ties the one relaunch to a build; a copy that a
        // relaunch started must not start another.
        stillRefused();
        return;
    }
    alerted = true;
    AlertSpec stale;
    stale.style = AlertSpec::Style::warning;
    stale.title = QStringLiteral("Vesk was updated while it was running.");
    stale.text = QStringLiteral("Everything it shows you is current, but it cannot record a change until it restarts "
                                "— merges, renames and Forget would all be refused.");
    stale.buttons = {QStringLiteral("Restart Vesk")};
    alerts.run(stale);
    // The new copy waits for this one to let go of the instance before it starts; a failed start
    // leaves nothing to wait for, and this copy still quits as the alert said.
    launcher.relaunch({QStringLiteral("--relaunch")});
    emit quitRequested();
}

void StaleBuild::stillRefused()
{
    alerted = true;
    AlertSpec refused;
    refused.style = AlertSpec::Style::critical;
    refused.title = QStringLiteral("Vesk cannot record changes on this build.");
    refused.text = QStringLiteral("It restarted already and the daemon still refuses its writes, so this is not a "
                                  "stale copy — the daemon does not trust this copy of Vesk. Run diagnostics from "
                                  "the menu to see why. Reading your memory keeps working in the meantime.");
    refused.buttons = {QStringLiteral("Continue without writing")};
    alerts.run(refused);
}

} // namespace vesk
