#include "BundledService.h"

#include "Alerts.h"
#include "Defaults.h"
#include "MainThread.h"

namespace vesk {

using Service = ServiceManager::Service;

BundledService::Plan BundledService::plan(const Facts& facts, const QString& build,
                                          const std::optional<QString>& remembered, bool removalAsked)
{
    // A build that carries no daemon registers nothing, and a hand-installed entry runs the daemon.
    if (!facts.shipsDaemon || facts.handInstalled)
        return {};
    Plan p;
    p.proceed = true;
    p.firstRegistration = facts.daemon == Status::notRegistered && !remembered;
    const bool registered = facts.daemon == Status::enabled || facts.daemon == Status::requiresApproval;
    p.registerAgain = registered && (!remembered || *remembered != build);
    p.registerApplication = !remembered;
    // Nothing is left of an entry this program wrote: the user deleted it, as a session's startup
    // applications do to turn one off.
    p.removed = facts.daemon == Status::notRegistered && remembered.has_value();
    p.askApproval = p.removed && !removalAsked;
    return p;
}

BundledService::BundledService(Services services, QString build, QObject* parent)
    : QObject(parent)
    , manager(services.manager)
    , defaults(services.defaults)
    , alerts(services.alerts)
    , build(std::move(build))
{
}

void BundledService::prepare()
{
    auto back = toReceiver(this, [this](Facts facts) { decide(facts); });
    worker.post([m = &manager, back]() mutable {
        back(Facts{m->shipsDaemon(), m->handInstalledDaemon(), m->status(Service::daemon)});
    });
}

void BundledService::decide(const Facts& facts)
{
    const QString asked = QString::fromLatin1(removalAskedKey);
    const Plan p = plan(facts, build, defaults.string(QString::fromLatin1(rememberedKey)),
                        defaults.boolean(asked).value_or(false));
    if (!p.proceed) {
        finish(false);
        return;
    }
    if (p.removed) {
        if (!p.askApproval) {
            finish(false);
            return;
        }
        defaults.setBoolean(asked, true);
        askApproval();
        return;
    }
    // The entry is back: removing it again is asked about again.
    if (defaults.contains(asked))
        defaults.remove(asked);
    first = p.firstRegistration;
    auto back = toReceiver(this, [this](Outcome outcome, Status daemon) { registered(outcome, daemon); });
    worker.post([m = &manager, again = p.registerAgain, application = p.registerApplication, back]() mutable {
        if (again && !m->unregisterService(Service::daemon)) {
            back(Outcome::unregisterFailed, Status::notFound);
            return;
        }
        const Status daemon = m->status(Service::daemon);
        const bool daemonOk
            = (daemon != Status::notRegistered && daemon != Status::notFound) || m->registerService(Service::daemon);
        const bool appOk = daemonOk
            && (!application || m->status(Service::application) != Status::notRegistered
                || m->registerService(Service::application));
        back(appOk ? Outcome::done : Outcome::registerFailed, m->status(Service::daemon));
    });
}

void BundledService::registered(Outcome outcome, Status daemon)
{
    if (outcome != Outcome::done) {
        showFailure();
        // An earlier build's daemon that could not be removed ends the pass with nothing new.
        finish(outcome == Outcome::unregisterFailed ? false : first);
        return;
    }
    defaults.setString(QString::fromLatin1(rememberedKey), build);
    if (daemon != Status::requiresApproval) {
        finish(first);
        return;
    }
    askApproval();
}

void BundledService::askApproval()
{
    AlertSpec approval;
    approval.style = AlertSpec::Style::warning;
    approval.title = QStringLiteral("Allow Vesk to run in the background");
    approval.text = QStringLiteral("Its background service is turned off in your session's startup applications. "
                                   "Turn it on to start it at login, then return to setup.");
    approval.buttons = {QStringLiteral("Turn it on"), QStringLiteral("Cancel")};
    approval.safe = 1;
    if (alerts.run(approval) != 0) {
        finish(first);
        return;
    }
    auto back = toReceiver(this, [this](bool) { finish(first); });
    worker.post([m = &manager, back]() mutable { back(m->approve(Service::daemon)); });
}

void BundledService::showFailure()
{
    AlertSpec failure;
    failure.style = AlertSpec::Style::critical;
    failure.title = QStringLiteral("Vesk couldn’t start its background service");
    failure.text = QStringLiteral("Check that ~/.config/autostart can be written, then open Vesk again. If you just "
                                  "updated, quit and reopen Vesk to retry.");
    alerts.run(failure);
}

void BundledService::finish(bool firstRegistration)
{
    emit prepared(firstRegistration);
}

} // namespace vesk
