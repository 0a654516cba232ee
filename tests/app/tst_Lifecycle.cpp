#include "BundledService.h"
#include "CommandLine.h"
#include "Defaults.h"
#include "Diagnostics.h"
#include "FakePlatform.h"
#include "ScriptedAlerts.h"
#include "SingleInstance.h"
#include "StaleBuild.h"
#include "XdgAutostart.h"

#include <QJsonDocument>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace vesk;
using namespace vesk::test;

using Status = ServiceManager::Status;
Q_DECLARE_METATYPE(Status)
Q_DECLARE_METATYPE(Launcher::Launch)

namespace {
QStringList titles(const ScriptedAlerts& alerts)
{
    QStringList out;
    for (const AlertSpec& alert : alerts.shown)
        out << alert.title;
    return out;
}
const QString failureAlert = QStringLiteral("Vesk couldn’t start its background service");
const QString approvalAlert = QStringLiteral("Allow Vesk to run in the background");
} // namespace

class LifecycleTest : public QObject {
    Q_OBJECT
private slots:
    void serviceDecisions_data()
    {
        QTest::addColumn<bool>("handInstalled");
        QTest::addColumn<Status>("daemon");
        QTest::addColumn<QString>("remembered"); // empty: none
        QTest::addColumn<bool>("succeed");
        QTest::addColumn<int>("answer"); // to the approval alert
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QStringList>("alerts");
        QTest::addColumn<bool>("first");
        QTest::addColumn<QString>("rememberedAfter");

        const QStringList both{"register daemon", "register application"};
        QTest::newRow("fresh install") << false << Status::notRegistered << "" << true << 0 << both << QStringList{}
                                       << true << "2.0";
        QTest::newRow("same build") << false << Status::enabled << "2.0" << true << 0 << QStringList{} << QStringList{}
                                    << false << "2.0";
        QTest::newRow("updated build") << false << Status::enabled << "1.0" << true << 0
                                       << QStringList{"unregister daemon", "register daemon"} << QStringList{} << false
                                       << "2.0";
        QTest::newRow("entry deleted by the user: asked, not written")
            << false << Status::notRegistered << "2.0" << true << 1 << QStringList{} << QStringList{approvalAlert}
            << false << "2.0";
        QTest::newRow("hand-installed daemon entry wins")
            << true << Status::notRegistered << "" << true << 0 << QStringList{} << QStringList{} << false << "";
        QTest::newRow("approval pending, cancelled") << false << Status::requiresApproval << "2.0" << true << 1
                                                     << QStringList{} << QStringList{approvalAlert} << false << "2.0";
        QTest::newRow("approval pending, turned on")
            << false << Status::requiresApproval << "2.0" << true << 0 << QStringList{"approve daemon"}
            << QStringList{approvalAlert} << false << "2.0";
        QTest::newRow("registration fails")
            << false << Status::notRegistered << "" << false << 0 << QStringList{"register daemon"}
            << QStringList{failureAlert} << true << "";
        QTest::newRow("old build cannot be removed")
            << false << Status::enabled << "1.0" << false << 0 << QStringList{"unregister daemon"}
            << QStringList{failureAlert} << false << "1.0";
    }
    void serviceDecisions()
    {
        QFETCH(bool, handInstalled);
        QFETCH(Status, daemon);
        QFETCH(QString, remembered);
        QFETCH(bool, succeed);
        QFETCH(int, answer);
        QTemporaryDir dir;
        Defaults defaults(dir.filePath("defaults.json"));
        if (!remembered.isEmpty())
            defaults.setString(BundledService::rememberedKey, remembered);
        FakeServiceManager manager;
        manager.ships = true;
        manager.handInstalled = handInstalled;
        manager.daemon = daemon;
        manager.application = daemon == Status::notRegistered ? Status::notRegistered : Status::enabled;
        manager.succeed = succeed;
        ScriptedAlerts alerts;
        alerts.answer(answer);
        BundledService service({manager, defaults, alerts}, "2.0");
        QSignalSpy prepared(&service, &BundledService::prepared);
        service.prepare();
        QTRY_COMPARE(prepared.size(), 1);
        QTEST(manager.calls, "calls");
        QTEST(titles(alerts), "alerts");
        QTEST(prepared.first().first().toBool(), "first");
        QTEST(defaults.string(BundledService::rememberedKey).value_or(QString()), "rememberedAfter");
    }

    // An entry the user deleted is asked about at the next launch and never written back unasked;
    // turned on again and deleted again, it is asked about once more. Vesk's own entry stays gone.
    void deletedEntryStaysDeleted()
    {
        QTemporaryDir root;
        for (const char* program : {"veskd", "vesk"}) {
            QFile file(root.filePath(program));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
        }
        XdgAutostart autostart(root.filePath("autostart"), "2.0", root.filePath("veskd"), root.filePath("vesk"),
                               {root.filePath("units")});
        const QString daemon = autostart.entryPath(XdgAutostart::daemonId);
        const QString app = autostart.entryPath(XdgAutostart::applicationId);
        Defaults defaults(root.filePath("defaults.json"));
        // One launch, the approval alert answered with `answer`: the alerts it showed, and which entries exist.
        const auto launch = [&](int answer) {
            ScriptedAlerts alerts;
            alerts.answer(answer);
            BundledService service({autostart, defaults, alerts}, "2.0");
            QSignalSpy prepared(&service, &BundledService::prepared);
            service.prepare();
            return QTest::qWaitFor([&] { return !prepared.isEmpty(); })
                ? titles(alerts) << QString::number(QFile::exists(daemon)) + QString::number(QFile::exists(app))
                : QStringList{"no end"};
        };
        QCOMPARE(launch(1), QStringList{"11"});
        QVERIFY(QFile::remove(daemon) && QFile::remove(app));
        QCOMPARE(launch(0), (QStringList{approvalAlert, "10"})); // turned on again
        QCOMPARE(launch(1), QStringList{"10"});
        QVERIFY(QFile::remove(daemon));
        QCOMPARE(launch(1), (QStringList{approvalAlert, "00"}));
        QCOMPARE(launch(1), QStringList{"00"});
    }

    void staleBuild_data()
    {
        QTest::addColumn<QList<QByteArray>>("hellos");
        QTest::addColumn<double>("time"); // of the executable; 0: unreadable
        QTest::addColumn<double>("stored");
        QTest::addColumn<bool>("relaunched");
        QTest::addColumn<QStringList>("alerts");
        QTest::addColumn<int>("relaunches");
        QTest::addColumn<double>("storedAfter");
        const QString stale = QStringLiteral("Vesk was updated while it was running.");
        const QString refused = QStringLiteral("Vesk cannot record changes on this build.");
        const QByteArray no = R"({"kind":"hello","writable":false})";
        QTest::newRow("writable") << QList<QByteArray>{R"({"writable":true})"} << 100.0 << 0.0 << false << QStringList{}
                                  << 0 << 0.0;
        QTest::newRow("no writable key, or not a Boolean")
            << QList<QByteArray>{"{}", R"({"writable":"false"})", R"({"kind":"error","writable":false})"} << 100.0
            << 0.0 << false << QStringList{} << 0 << 0.0;
        QTest::newRow("first refusal: relaunch once")
            << QList<QByteArray>{no, no} << 100.0 << 0.0 << false << QStringList{stale} << 1 << 100.0;
        QTest::newRow("a newer build gets its own relaunch")
            << QList<QByteArray>{no} << 100.0 << 90.0 << false << QStringList{stale} << 1 << 100.0;
        QTest::newRow("refused again after its relaunch: once per process")
            << QList<QByteArray>{no, no, no} << 100.0 << 100.0 << true << QStringList{refused} << 0 << 100.0;
        QTest::newRow("time unreadable, started by a relaunch")
            << QList<QByteArray>{no} << 0.0 << 0.0 << true << QStringList{refused} << 0 << 0.0;
    }
    void staleBuild()
    {
        QFETCH(QList<QByteArray>, hellos);
        QFETCH(double, time);
        QFETCH(double, stored);
        QFETCH(bool, relaunched);
        QFETCH(int, relaunches);
        QTemporaryDir dir;
        Defaults defaults(dir.filePath("defaults.json"));
        if (stored > 0)
            defaults.setNumber(StaleBuild::relaunchedKey, stored);
        ScriptedAlerts alerts;
        FakeLauncher launcher;
        StaleBuild check(
            {defaults, alerts, launcher}, [time] { return time > 0 ? std::optional<double>(time) : std::nullopt; },
            relaunched);
        QSignalSpy quits(&check, &StaleBuild::quitRequested);
        for (const QByteArray& hello : hellos) {
            const QJsonObject reply = QJsonDocument::fromJson(hello).object();
            check.quitIfStale(reply.value("kind") == "error" ? Reply() : Reply(reply));
        }
        QTEST(titles(alerts), "alerts");
        QCOMPARE(launcher.relaunches, QList<QStringList>(relaunches, QStringList{"--relaunch"}));
        QCOMPARE(quits.size(), relaunches);
        QTEST(defaults.number(StaleBuild::relaunchedKey).value_or(0.0), "storedAfter");
    }

    void diagnostics_data()
    {
        QTest::addColumn<QString>("daemon"); // empty: not installed
        QTest::addColumn<Launcher::Launch>("launch");
        QTest::addColumn<QString>("says"); // empty: no alert
        QTest::newRow("runs") << "/opt/v/veskd" << Launcher::Launch::started << "";
        QTest::newRow("no terminal") << "/opt/v/veskd" << Launcher::Launch::noTerminal
                                     << "No terminal emulator is installed";
        QTest::newRow("no daemon") << "" << Launcher::Launch::started << "veskd is not installed";
    }
    void diagnostics()
    {
        QFETCH(QString, daemon);
        QFETCH(QString, says);
        FakeLauncher launcher;
        QFETCH(Launcher::Launch, launch);
        launcher.terminal = launch;
        const auto alert = Diagnostics::run(launcher, daemon.isEmpty() ? std::nullopt : std::optional<QString>(daemon));
        QCOMPARE(alert.has_value(), !says.isEmpty());
        QVERIFY(!alert || alert->text.contains(says));
        if (daemon.isEmpty())
            return;
        // The path is an argument of the fixed script, never part of it.
        const QStringList argv = launcher.terminalCommands.value(0);
        QCOMPARE(argv.mid(0, 2), (QStringList{"sh", "-c"}));
        QVERIFY(!argv.value(2).contains(daemon) && argv.value(2).contains("\"$0\" doctor"));
        QCOMPARE(argv.mid(3), QStringList{daemon});
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exit"); // -1: starts
        QTest::addColumn<QString>("printed");
        QTest::addColumn<QStringList>("forQt");
        QTest::newRow("version") << QStringList{"--version"} << 0 << "vesk 2.0\n" << QStringList{};
        QTest::newRow("help") << QStringList{"-h"} << 0 << "VESK_ONBOARDING_PREVIEW" << QStringList{};
        QTest::newRow("unknown option") << QStringList{"--bogus"} << 2 << "Unknown option 'bogus'" << QStringList{};
        QTest::newRow("an argument") << QStringList{"stray"} << 2 << "unexpected argument 'stray'" << QStringList{};
        QTest::newRow("Qt's options pass through")
            << QStringList{"-platform", "offscreen", "--quit-after-start", "--style=fusion", "-reverse"} << -1 << ""
            << QStringList{"-platform", "offscreen", "--style=fusion", "-reverse"};
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exit);
        QFETCH(QString, printed);
        QFETCH(QStringList, forQt);
        const auto parsed = CommandLine::parse(QStringList{"/usr/bin/vesk"} + arguments, "2.0");
        if (exit >= 0) {
            const auto* done = std::get_if<CommandLine::Exit>(&parsed);
            QVERIFY(done);
            QCOMPARE(done->status, exit);
            QVERIFY2((exit == 0 ? done->out : done->err).contains(printed), qPrintable(done->out + done->err));
            return;
        }
        const auto* line = std::get_if<CommandLine>(&parsed);
        QVERIFY(line);
        QVERIFY(line->quitAfterStart && !line->relaunch);
        QCOMPARE(line->qtArguments, QStringList{"/usr/bin/vesk"} + forQt);
    }

    // A folder is private to its owner only: the same folder, asked about for another user. (The
    // command-line suite starts vesk against folders that are not private.)
    void runtimeFolderOfAnotherUser()
    {
        QTemporaryDir temp;
        QVERIFY(::chmod(QFile::encodeName(temp.path()).constData(), 0700) == 0);
        QCOMPARE(SingleInstance::notPrivate(temp.path(), getuid()), std::nullopt);
        QCOMPARE(SingleInstance::notPrivate(temp.path(), getuid() + 1), "belongs to another user");
    }

    // A private home never answers to the session's name, and two homes never share a lock.
    void instanceNames()
    {
        const auto session = SingleInstance::namesFor("/home/ann/", "/home/ann", {"/run/user/1000", true, {}});
        QCOMPARE(session.busName, QStringLiteral("com.vesk.vesk"));
        QCOMPARE(session.objectPath, QStringLiteral("/com/vesk/vesk"));
        const auto demo = SingleInstance::namesFor("/tmp/vesk-demo-home.x", "/home/ann", {"/run/user/1000", true, {}});
        QVERIFY(demo.busName.startsWith("com.vesk.vesk.H") && demo.busName.size() == 31);
        QCOMPARE(demo.objectPath, "/" + QString(demo.busName).replace('.', '/'));
        QVERIFY(demo.lockPath.startsWith("/run/user/1000/vesk-") && demo.lockPath != session.lockPath);
        QCOMPARE(demo.peerAddress, "unix:path=" + demo.lockPath.chopped(5) + ".bus");
    }
};

QTEST_GUILESS_MAIN(LifecycleTest)
#include "tst_Lifecycle.moc"
