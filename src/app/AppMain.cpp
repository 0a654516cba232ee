#include "AppMain.h"

#include "AppDelegate.h"
#include "Clock.h"
#include "Defaults.h"
#include "PortalAppearance.h"
#include "PresentationMode.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

namespace vesk {

int runApplication(int& argc, char** argv, const LaunchSwitches& switches, RunOptions options)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vesk"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vesk"));
    // A tray application: closing a panel never ends the process.
    QApplication::setQuitOnLastWindowClosed(false);

    PortalAppearance appearance;
    appearance.start();

    Defaults defaults;
    PresentationMode presentation(defaults);
    DaemonClient client;
    PlatformServices platform = createPlatformServices();
    MessageBoxAlerts alerts;

    AppDelegate delegate({client, platform, presentation, alerts, systemClock(), defaults}, switches);
    delegate.applicationDidFinishLaunching();

    if (options.quitAfterStart)
        QTimer::singleShot(0, &app, [] {
            std::puts("ready");
            std::fflush(stdout);
            QCoreApplication::quit();
        });
    return app.exec();
}

} // namespace vesk
