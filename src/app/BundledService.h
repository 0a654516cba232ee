#pragma once

#include "PlatformServices.h"
#include "WorkerPool.h"

#include <QObject>
#include <optional>

namespace vesk {

class Alerts;
class Defaults;

// At every launch: makes sure the daemon this install carries starts at login, registers it again
// once after a new build, registers the application itself as a login item, and asks for the
// user's approval where the system needs it. A daemon entry installed by hand wins: nothing is
// touched. What the user removed stays removed: an entry gone after it was registered is the
// user's "off", asked about once and never written back unasked. Ends in one `prepared`, saying
// whether this was the first registration on this machine (which opens setup). The service
// manager works on a thread of its own; the alerts are modal.
class BundledService : public QObject {
    Q_OBJECT
public:
    using Status = ServiceManager::Status;
    // The build last registered: a new build registers its daemon again, once.
    static constexpr const char* rememberedKey = "VeskRegisteredServiceVersion";
    // The user was asked once about the daemon's entry that they removed.
    static constexpr const char* removalAskedKey = "vesk.service.removal_asked";

    struct Facts {
        bool shipsDaemon = false;
        bool handInstalled = false;
        Status daemon = Status::notFound;
    };
    struct Plan {
        bool proceed = false; // false: nothing to register, complete at once
        bool firstRegistration = false;
        bool registerAgain = false;       // the registered daemon belongs to another build
        bool registerApplication = false; // only until a registration has gone through
        bool removed = false;             // the user removed the daemon's entry: nothing is written
        bool askApproval = false;         // for the removed entry, once
        bool operator==(const Plan&) const = default;
    };
    static Plan plan(const Facts& facts, const QString& build, const std::optional<QString>& remembered,
                     bool removalAsked);

    struct Services {
        ServiceManager& manager;
        Defaults& defaults;
        Alerts& alerts;
    };
    BundledService(Services services, QString build, QObject* parent = nullptr);

    void prepare();

signals:
    void prepared(bool firstRegistration);

private:
    enum class Outcome { done, unregisterFailed, registerFailed };
    void decide(const Facts& facts);
    void registered(Outcome outcome, Status daemon);
    void askApproval();
    void finish(bool firstRegistration);
    void showFailure();

    ServiceManager& manager;
    Defaults& defaults;
    Alerts& alerts;
    QString build;
    bool first = false;
    // Declared last: its destructor joins the worker before the fields its tasks read go.
    WorkerPool worker{QStringLiteral("vesk.service")};
};

} // namespace vesk
