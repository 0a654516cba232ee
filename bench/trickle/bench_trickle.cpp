// How long a search typed 8 s after start-up takes to reach a daemon that answers `status` with
// "{" and then one space every 20 s, through the real start-up and the real ask panel, against the
// same start-up on a daemon that answers `status` at once (the floor), in the same run.
#include "AppDelegate.h"
#include "AskPanel.h"
#include "AskWindow.h"
#include "DaemonRig.h"
#include "FakePlatform.h"
#include "ScriptedAlerts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <cstdio>

using namespace vesk;
using namespace vesk::test;

namespace {

constexpr double typedAfter = 8.0;

// Seconds from typing the search until the daemon has it.
double searchDelay(bool trickle)
{
    DaemonRig rig;
    FakePlatform platform;
    ScriptedAlerts alerts;
    const QByteArray status = R"({"kind":"status","onboarded":true,"capture_paused":false})";
    if (trickle)
        rig.daemon.script("status", {"{" + QByteArray(100, ' '), FakeDaemon::Mode::Split, 0, 1, 20.0});
    else
        rig.daemon.replyRaw("status", status + '\n');
    rig.daemon.replyRaw("search",
                        R"({"kind":"search","nodes":[]})"
                        "\n");
    AppDelegate delegate({rig.client, platform.services, rig.presentation, alerts, rig.clock, rig.defaults},
                         LaunchSwitches{});
    delegate.applicationDidFinishLaunching();
    QElapsedTimer since;
    since.start();
    while (since.elapsed() < typedAfter * 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);

    delegate.askWindow().show();
    const int before = rig.daemon.count("search");
    QLineEdit* field = delegate.askWindow().fieldWidget();
    field->setText(QStringLiteral("invoice rounding"));
    QElapsedTimer typed;
    typed.start();
    QTest::keyClick(field, Qt::Key_Return, Qt::ShiftModifier);
    while (rig.daemon.count("search") <= before) {
        if (typed.elapsed() > 300000) {
            std::fprintf(stderr, "the search did not reach the daemon within 300 s\n");
            std::exit(1);
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return typed.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double floor = searchDelay(false);
    const double slow = searchDelay(true);
    std::printf("search typed %.0f s after start reaches the daemon: %.3f s with a status that trickles a space every "
                "20 s, %.3f s with a prompt status, ratio %.1f (target: near 1)\n",
                typedAfter, slow, floor, slow / floor);
    return 0;
}
