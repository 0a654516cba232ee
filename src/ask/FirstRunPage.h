#pragma once

#include "KeyChord.h"
#include "Page.h"

#include <functional>

namespace vesk {

class DaemonClient;
class InkButton;
class LoadingSection;

// The page a new user meets: how to come back here, an example question that waits until memory
// is ready, whether it is (from the daemon's status), and the ways to connect an agent and to
// keep things out of capture.
class FirstRunPage : public Page {
    Q_OBJECT
public:
    struct Callbacks {
        std::function<void(const QString& question)> ask;
        // Not set: the button is shown disabled, since its window is not part of this build.
        std::function<void()> openAgentConnections;
        std::function<void()> openPrivacyExclusions;
    };

    // `keys` open the panel from anywhere; the page teaches them.
    FirstRunPage(ScrollColumn& column, DaemonClient& client, Callbacks callbacks, KeyChord keys = {});

    QString hint() const override;
    std::optional<EntityText::BackTo> returnsAs() const override { return EntityText::BackTo::results; }
    Height height() const override { return Height::expanded; }
    // Sends `status`.
    void open() override;

private:
    DaemonClient& client;
    Callbacks callbacks;
    KeyChord keys;
    InkButton* askButton = nullptr;
    LoadingSection* readiness = nullptr;
};

} // namespace vesk
