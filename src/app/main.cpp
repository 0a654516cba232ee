#include "AppMain.h"
#include "LaunchSwitches.h"
#include "SelfChecks.h"

int main(int argc, char** argv)
{
    // The self-check run never starts the user interface.
    if (vesk::LaunchSwitches::fromEnvironment().selfCheck)
        return vesk::runSelfChecks();
    return vesk::runApplication(argc, argv);
}
