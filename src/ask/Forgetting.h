#pragma once

#include "Alerts.h"
#include "DaemonClient.h"
#include "Origin.h"

#include <QObject>

namespace vesk {

// Forgetting one entity and everything only it holds: the daemon's preview, a confirmation that
// quotes its counts, the forget itself, and — when the daemon does not confirm it — a fresh
// preview that says whether it was done, not done or half done. One object per forget, owning its
// steps; it outlives the page it started on, so its dialogs come even when the user has moved on.
class Forgetting : public QObject {
    Q_OBJECT
public:
    Forgetting(DaemonClient& client, Alerts& alerts, const Origin& origin, QObject* parent);

    // Asks for the preview, with `button` disabled until it is back. The object deletes itself
    // when the flow stops.
    void start(QWidget* button);

signals:
    // The preview is back, whatever it says.
    void previewed();
    // A forget was sent and is over, confirmed or checked: the page it started on is left.
    void ended();

private:
    void confirm(const Reply& preview);
    void verify(qint64 expected);

    DaemonClient& client;
    Alerts& alerts;
    Origin origin;
};

} // namespace vesk
