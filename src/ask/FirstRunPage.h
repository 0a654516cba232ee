#pragma once

#include <QObject>
#include <functional>

namespace vesk {

class DaemonClient;
class InkButton;
class LoadingSection;
class ScrollColumn;

// The page a new user meets: how to come back here, an example question that waits until memory
// is ready, whether it is (from the daemon's status), and the ways to connect an agent and to
// keep things out of capture.
class FirstRunPage : public QObject {
    Q_OBJECT
public:
    struct Callbacks {
        std::function<void(const QString& question)> ask;
        std::function<void()> checkAgain;
        // Not set: the button is shown disabled, since its window is not part of this build.
        std::function<void()> openAgentConnections;
        std::function<void()> openPrivacyExclusions;
    };

    // Appends the page to the column and sends `status`.
    FirstRunPage(ScrollColumn& column, DaemonClient& client, Callbacks callbacks, QObject* parent);

private:
    Callbacks callbacks;
    InkButton* askButton;
    LoadingSection* readiness;
};

} // namespace vesk
