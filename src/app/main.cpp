#include "AppMain.h"
#include "LaunchSwitches.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    // The self-check run never starts the user interface.
    if (vesk::LaunchSwitches::fromEnvironment().selfCheck) {
        std::fputs("[vesk-app] the interjection self-checks are not part of this build; nothing was checked.\n",
                   stderr);
        return 1;
    }
    // --quit-after-start: start completely, print "ready" and quit at the first turn of the event
    // loop, which proves an installed copy finds its libraries and its platform plugin.
    vesk::RunOptions options;
    for (int i = 1; i < argc; ++i)
        options.quitAfterStart = options.quitAfterStart || std::strcmp(argv[i], "--quit-after-start") == 0;
    return vesk::runApplication(argc, argv, options);
}
