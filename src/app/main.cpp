#include "AppMain.h"
#include "LaunchSwitches.h"

#include <cstdio>

int main(int argc, char** argv)
{
    // The self-check run never starts the user interface.
    if (vesk::LaunchSwitches::fromEnvironment().selfCheck) {
        std::fputs("[vesk-app] the interjection self-checks are not part of this build; nothing was checked.\n",
                   stderr);
        return 1;
    }
    return vesk::runApplication(argc, argv);
}
