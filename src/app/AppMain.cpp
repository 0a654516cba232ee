#include "AppMain.h"

#include "AppDelegate.h"
#include "Clock.h"
#include "Defaults.h"
#include "MainThread.h"
#include "PortalAppearance.h"
#include "PresentationMode.h"
#include "SingleInstance.h"
#include "StatusIcon.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>

namespace vesk {

int runApplication(int& argc, char** argv, const LaunchSwitches& switches, RunOptions options)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vesk"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vesk"));
    QApplication::setApplicationVersion(QStringLiteral(VESK_VERSION));
    // The icon is painted once the event loop has turned; the entry is named now, before any window.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.vesk.vesk"));
    // A tray application: closing a panel never ends the process.
    QApplication::setQuitOnLastWindowClosed(false);

    // A relaunch waits for the copy it replaces to let go.
    const auto [names, runtime] = SingleInstance::forThisProcess();
    if (!runtime.refused.isEmpty())
        std::fputs(("[vesk-app] " + runtime.refused + "; one Vesk at a time is kept by a lock in " + runtime.folder
                    + " alone.\n")
                       .toLocal8Bit()
                       .constData(),
                   stderr);
    SingleInstance instance(names);
    const Activation request = options.ask ? Activation{AppDelegate::askAction, {}} : Activation{};
    switch (instance.claim(request, options.relaunch ? 10.0 : 0.0)) {
    case SingleInstance::Claim::handedOver:
        return 0;
    case SingleInstance::Claim::noLock:
        std::fputs(
            ("[vesk-app] the runtime folder cannot be written (" + instance.lockProblem() + "); this copy stops.\n")
                .toLocal8Bit()
                .constData(),
            stderr);
        return 1;
    case SingleInstance::Claim::failed:
        std::fputs(options.relaunch ? "[vesk-app] the Vesk this copy replaces did not quit; this copy stops.\n"
                                    : "[vesk-app] another Vesk is running but did not answer; this copy stops.\n",
                   stderr);
        return 1;
    case SingleInstance::Claim::primary:
        break;
    }

    // The path as it was at start: an update puts the new build there, and its time says which
    // build a relaunch was made for.
    const QString executable = QCoreApplication::applicationFilePath();
    ProcessFacts process;
    process.build = QCoreApplication::applicationVersion();
    process.executableTime = [executable]() -> std::optional<double> {
        const QDateTime modified = QFileInfo(executable).lastModified();
        if (!modified.isValid())
            return std::nullopt;
        return double(modified.toMSecsSinceEpoch()) / 1000.0;
    };
    process.relaunched = options.relaunch;
    process.layout = InstallLayout::current();

    PortalAppearance appearance;

    Defaults defaults;
    PresentationMode presentation(defaults);
    DaemonClient client;
    PlatformServices platform = createPlatformServices();
    MessageBoxAlerts alerts;

    AppDelegate delegate({client, platform, presentation, alerts, systemClock(), defaults}, switches, process);
    QObject::connect(&instance, &SingleInstance::activated, &delegate, &AppDelegate::activate);
    delegate.applicationDidFinishLaunching();
    afterFirstTurn(&appearance, [&appearance] {
        useAppIdentity();
        appearance.start();
    });
    if (options.ask)
        delegate.activate(request);

    if (options.quitAfterStart)
        QTimer::singleShot(0, &app, [] {
            std::puts("ready");
            std::fflush(stdout);
            QCoreApplication::quit();
        });
    return app.exec();
}

int storeShortcut(int& argc, char** argv, const KeyChord& keys)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vesk"));
    Defaults defaults;
    if (!defaults.setString(AskShortcut::keysSetting, keys.text())) {
        std::fprintf(stderr, "vesk: could not save the shortcut in %s.\n", qPrintable(defaults.filePath()));
        return 1;
    }
    // A running Vesk takes the keys at once; this copy, if it became the one instance, just ends.
    SingleInstance instance(SingleInstance::forThisProcess().first);
    const bool handed
        = instance.claim(Activation{AppDelegate::shortcutAction, {}}) == SingleInstance::Claim::handedOver;
    std::printf("%s\n",
                qPrintable(keys.text()
                           + (handed ? QStringLiteral(" is saved; the running Vesk registers it now.")
                                     : QStringLiteral(" is saved; Vesk registers it when it starts."))));
    return 0;
}

} // namespace vesk
