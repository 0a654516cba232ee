// vesk's own start: the same entry as the program, quitting after the first turn of its event
// loop, by which time the tray item, the menu, the shortcut and the state watch are all started.
#include "AppMain.h"

int main(int argc, char** argv)
{
    return vesk::runApplication(argc, argv, vesk::LaunchSwitches::fromEnvironment(),
                                vesk::RunOptions{.quitAfterStart = true});
}
