#pragma once

#include "LaunchSwitches.h"

namespace vesk {

struct RunOptions {
    // Print "ready" and quit at the first turn of the event loop (the start-up benchmark).
    bool quitAfterStart = false;
};

// The normal application: the shared objects, the delegate that builds and wires everything else,
// and the event loop.
int runApplication(int& argc, char** argv, const LaunchSwitches& switches, RunOptions options = {});

} // namespace vesk
