#include "AppMain.h"
#include "LaunchSwitches.h"
#include "SelfChecks.h"

#include <cstring>

int main(int argc, char** argv)
{
    const vesk::LaunchSwitches switches = vesk::LaunchSwitches::fromEnvironment();
    // The self-check run never starts the user interface.
    if (switches.selfCheck)
        return vesk::runSelfChecks();
    // --quit-after-start: start completely, print "ready" and quit at the first turn of the event
    // loop, which proves an installed copy finds its libraries and its platform plugin.
    vesk::RunOptions options;
    for (int i = 1; i < argc; ++i)
        options.quitAfterStart = options.quitAfterStart || std::strcmp(argv[i], "--quit-after-start") == 0;
    return vesk::runApplication(argc, argv, switches, options);
}
