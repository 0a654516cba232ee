#pragma once

#include "KeyChord.h"
#include "LaunchSwitches.h"

namespace vesk {

struct RunOptions {
    // Print "ready" and quit at the first turn of the event loop (the start-up benchmark).
    bool quitAfterStart = false;
    // Started by a relaunch after an update: take over from the copy that started this one.
    bool relaunch = false;
    // Show the ask panel: the running instance's, or this one's at start.
    bool ask = false;
};

// The normal application: one instance per home (a second start activates the first and ends
// with status 0), the shared objects, the delegate that builds and wires everything else, and the
// event loop.
int runApplication(int& argc, char** argv, const LaunchSwitches& switches, RunOptions options = {});

// `vesk --shortcut KEYS`: stores the keys in the settings and hands them to a running Vesk, which
// registers them at once; says which on standard output. Needs no display. 0 once stored, 1 when
// the settings could not be written.
int storeShortcut(int& argc, char** argv, const KeyChord& keys);

} // namespace vesk
