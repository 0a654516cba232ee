#include "AppMain.h"

#include "AppDelegate.h"
#include "AskWindow.h"
#include "Clock.h"
#include "Defaults.h"
#include "InterjectionController.h"
#include "PortalAppearance.h"
#include "PresentationMode.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

namespace vesk {

int runApplication(int& argc, char** argv, RunOptions options)
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

    const LaunchSwitches switches = LaunchSwitches::fromEnvironment();
    AppDelegate delegate({client, platform, presentation, alerts, systemClock()}, switches);
    // The reminders start once the daemon says setup is complete; the card's "Open sources" lands
    // on the ask panel's entity page.
    std::unique_ptr<InterjectionController> reminders;
    QObject::connect(&delegate, &AppDelegate::onboarded, &delegate, [&] {
        if (!reminders) {
            reminders = std::make_unique<InterjectionController>(
                InterjectionController::Services{client, defaults, systemClock(), presentation,
                                                 *platform.foregroundWindow},
                switches.interjections);
            QObject::connect(
                reminders.get(), &InterjectionController::openRequested, &delegate,
                [&delegate](const Candidate& c) { delegate.askWindow().showEntity(c.id, c.label, c.kind, c.sources); });
            QObject::connect(reminders.get(), &InterjectionController::digestCountChanged, &delegate.statusMenu(),
                             &StatusMenu::updateDigestItem);
        }
        reminders->start();
    });
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
