#include "AccessibleTree.h"
#include "AppFixture.h"
#include "AskText.h"
#include "AskWindow.h"
#include "CommandLine.h"
#include "GnomeShortcut.h"
#include "Ink.h"
#include "InkView.h"
#include "MenuText.h"
#include "PortalAppearance.h"
#include "PortalHotkey.h"
#include "ScrollColumn.h"

#include <QDBusMessage>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace vesk;
using namespace vesk::test;

namespace {

const QString entries = QStringLiteral("/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/");

// A process the test starts and waits for: it is ready once it printed its first line.
std::unique_ptr<QProcess> started(const QString& program, const QStringList& arguments, const QString& busAddress = {})
{
    auto process = std::make_unique<QProcess>();
    if (!busAddress.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
        process->setProcessEnvironment(environment);
    }
    process->start(program, arguments);
    QDeadlineTimer deadline(10000);
    while (!process->canReadLine())
        if (!process->waitForReadyRead(int(deadline.remainingTime()))) {
            qWarning() << program << "did not start:" << process->errorString() << process->readAllStandardError();
            return nullptr;
        }
    return process;
}

QString gsettings(const QStringList& arguments)
{
    QProcess p;
    p.start(QStringLiteral("gsettings"), arguments);
    return p.waitForFinished(10000) ? QString::fromUtf8(p.readAllStandardOutput()).trimmed() : QStringLiteral("-");
}

} // namespace

// Ways in where Alt+Space cannot be grabbed: the portal's shortcut on a private bus, the GNOME
// shortcut that runs `vesk --ask`, `vesk --ask` itself and the panel at start without a tray host.
class ReachableTest : public QObject {
    Q_OBJECT

    QTemporaryDir config;
    std::unique_ptr<QProcess> bus;
    QString address;

    // A scripted portal on a fresh private bus; nothing answers there when `arguments` is null.
    std::unique_ptr<QProcess> portal(const std::optional<QStringList>& arguments)
    {
        stop(bus);
        // Only what the test starts answers there: no desktop portal of the machine is activated.
        QFile conf(config.filePath("bus.conf"));
        if (!conf.open(QIODevice::WriteOnly))
            return nullptr;
        conf.write("<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>"
                   "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                   "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>");
        conf.close();
        bus = started(QStringLiteral("dbus-daemon"),
                      {"--config-file=" + conf.fileName(), "--nofork", "--print-address=1"});
        if (!bus)
            return nullptr;
        address = QString::fromUtf8(bus->readLine()).trimmed();
        if (!arguments)
            return nullptr;
        return started(QStringLiteral(VESK_TEST_SCRIPTS "/scripted-portal"), *arguments, address);
    }
    QStringList connections;
    QDBusConnection connection(const QString& name)
    {
        connections << name;
        return QDBusConnection::connectToBus(address, name);
    }
    // Asks the scripted portal's control interface.
    QString control(const QString& connectionName, const QString& method, const QVariantList& arguments = {})
    {
        auto call = QDBusMessage::createMethodCall("org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
                                                   "vesk.test.Portal", method);
        call.setArguments(arguments);
        return connection(connectionName).call(call, QDBus::Block, 5000).arguments().value(0).toString();
    }
    void stop(std::unique_ptr<QProcess>& process)
    {
        if (process) {
            process->kill();
            process->waitForFinished(5000);
            process.reset();
        }
    }

private slots:
    void cleanup()
    {
        for (const QString& name : std::exchange(connections, {}))
            QDBusConnection::disconnectFromBus(name);
    }
    void cleanupTestCase() { stop(bus); }
    void initTestCase()
    {
        // GNOME's settings in a file of our own, read back by a separate gsettings: set before
        // anything in this process opens GSettings. The user already has one shortcut.
        qputenv("GSETTINGS_BACKEND", "keyfile");
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        QDir().mkpath(config.filePath("glib-2.0/settings"));
        QFile keyfile(config.filePath("glib-2.0/settings/keyfile"));
        QVERIFY(keyfile.open(QIODevice::WriteOnly));
        keyfile.write("[org/gnome/settings-daemon/plugins/media-keys]\ncustom-keybindings=['" + entries.toUtf8()
                      + "custom0/']\n\n[org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom0]\n"
                        "binding='<Super>t'\ncommand='xterm'\nname='Terminal'\n");
    }

    void portalOutcome_data()
    {
        QTest::addColumn<std::optional<QStringList>>("portalArguments");
        QTest::addColumn<Hotkey::Registration>("outcome");
        QTest::addColumn<QString>("bound");
        QTest::newRow("bound") << std::optional<QStringList>(QStringList{}) << Hotkey::Registration::registered
                               << "ask|Open the Vesk ask panel|ALT+space";
        QTest::newRow("the user declines") << std::optional<QStringList>(QStringList{"--refuse"})
                                           << Hotkey::Registration::refused << "ask|Open the Vesk ask panel|ALT+space";
        QTest::newRow("a portal that answers yes and binds nothing")
            << std::optional<QStringList>(QStringList{"--bind-nothing"}) << Hotkey::Registration::unbound
            << "ask|Open the Vesk ask panel|ALT+space";
        QTest::newRow("a portal without global shortcuts")
            << std::optional<QStringList>(QStringList{"--without-shortcuts"}) << Hotkey::Registration::unsupported
            << "";
        QTest::newRow("no portal") << std::optional<QStringList>() << Hotkey::Registration::unavailable << "";
    }
    void portalOutcome()
    {
        QFETCH(std::optional<QStringList>, portalArguments);
        auto script = portal(portalArguments);
        const auto end = qScopeGuard([&] { stop(script); });
        QVERIFY(bus && (script || !portalArguments));
        PortalHotkey hotkey(connection(QTest::currentDataTag()));
        std::optional<Hotkey::Registration> outcome;
        QCOMPARE(hotkey.registerShortcut(
                     KeyChord::standard(), this, [] {}, [&](Hotkey::Registration r) { outcome = r; }),
                 Hotkey::Registration::pending);
        QTRY_VERIFY(outcome);
        QTEST(*outcome, "outcome");
        if (script)
            QTEST(control(QTest::currentDataTag(), "Bound"), "bound");
    }

    // Each press the desktop reports toggles the ask panel; another session's press does nothing.
    void portalPressesToggleThePanel()
    {
        auto script = portal(QStringList{});
        const auto end = qScopeGuard([&] { stop(script); });
        QVERIFY(script);
        AppFixture f;
        f.platform.services.portalHotkey = std::make_unique<PortalHotkey>(connection("toggle"));
        f.delegate.applicationDidFinishLaunching();
        QTRY_VERIFY(!control("toggle", "Bound").isEmpty());
        const auto shown
            = [&] { return f.delegate.askWindow().panelWidget() && f.delegate.askWindow().panelWidget()->isVisible(); };
        QVERIFY(!shown());
        const QString session = "/org/freedesktop/portal/desktop/session/"
            + connection("toggle").baseService().mid(1).replace('.', '_') + "/vesk1";
        control("toggle", "Press", {session, "ask"});
        QTRY_VERIFY(shown());
        control("toggle", "Press", {"/org/freedesktop/portal/desktop/session/other/vesk", "ask"});
        control("toggle", "Press", {session, "ask"});
        QTRY_VERIFY(!shown());
        control("toggle", "Press", {session, "ask"});
        QTRY_VERIFY(shown());
    }

    // Where the portal gives no shortcut, Vesk offers once to add one to GNOME's settings that runs
    // `vesk --ask`, and says in one line what came of it.
    void desktopShortcutOffer()
    {
        const QString defaultsPath = config.filePath("defaults.json");
        const auto launch = [](AppFixture& f, Hotkey::Registration registration) {
            f.platform.hotkey->result = registration;
            auto spy = std::make_unique<QSignalSpy>(&f.delegate.askShortcut(), &AskShortcut::desktopShortcutOffered);
            f.delegate.applicationDidFinishLaunching();
            return spy;
        };
        {
            AppFixture f({}, defaultsPath);
            f.platform.services.desktopShortcut = std::make_unique<GnomeShortcut>();
            f.alerts.answer(0);
            const auto said = launch(f, Hotkey::Registration::unsupported);
            QTRY_COMPARE(said->size(), 1);
            QCOMPARE(f.alerts.shown.size(), 2);
            QCOMPARE(f.alerts.shown[0].title, "Add Alt+Space as a desktop shortcut?");
            QVERIFY(f.alerts.shown[0].text.contains("vesk --ask"));
            QCOMPARE(said->at(0).at(0), "Alt+Space now runs vesk --ask from the desktop's keyboard shortcuts.");
            QCOMPARE(f.alerts.shown[1].title, said->at(0).at(0));
        }
        // Read back by another process, beside the user's own shortcut.
        QCOMPARE(gsettings({"get", "org.gnome.settings-daemon.plugins.media-keys", "custom-keybindings"}),
                 "['" + entries + "custom0/', '" + entries + "vesk-ask/']");
        const QString entry = "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding:" + entries + "vesk-ask/";
        QCOMPARE(gsettings({"get", entry, "binding"}), "'<Alt>space'");
        const QString command = gsettings({"get", entry, "command"});
        QVERIFY2(command.contains(" --ask"), qPrintable(command));
        // The user's own keys are never taken over.
        QCOMPARE(GnomeShortcut().add("Other", *KeyChord::parse("<Super>t"), "other"),
                 DesktopShortcut::Result::keysTaken);

        // Added once: a later launch finds the keys running `vesk --ask` and asks nothing.
        for (const auto registration : {Hotkey::Registration::unsupported, Hotkey::Registration::taken}) {
            AppFixture again({}, defaultsPath);
            again.platform.services.desktopShortcut = std::make_unique<GnomeShortcut>();
            QSignalSpy settled(&again.delegate.askShortcut(), &AskShortcut::settled);
            const auto said = launch(again, registration);
            QTRY_COMPARE(settled.size(), 1);
            QCOMPARE(settled.at(0).at(0), true);
            QCOMPARE(said->size(), 0);
            QVERIFY(again.alerts.shown.isEmpty());
        }
    }

    // Why Vesk has no tray icon or shortcut here, said on the panel as well as on standard error:
    // a start from the launcher shows no standard error. Each line is said once a run.
    void noticesOnThePanel_data()
    {
        const QString noTray = "This desktop shows no tray icons, so Vesk opens this panel when it starts. Start "
                               "Vesk again, or run vesk --ask, to bring the panel back.";
        const QString noShortcut = "Alt+Space does not open Vesk here: this desktop's portal gives applications no "
                                   "global shortcut. Choose other keys with vesk --shortcut KEYS in a terminal, for "
                                   "example vesk --shortcut Ctrl+Alt+Space. Until then, ";
        QTest::addColumn<bool>("trayHost");
        QTest::addColumn<Hotkey::Registration>("registration");
        QTest::addColumn<bool>("schemas");
        QTest::addColumn<QStringList>("notices");
        QTest::newRow("tray and shortcut") << true << Hotkey::Registration::registered << true << QStringList{};
        QTest::newRow("no tray") << false << Hotkey::Registration::registered << true << QStringList{noTray};
        QTest::newRow("no shortcut, no GNOME settings")
            << true << Hotkey::Registration::unsupported << false
            << QStringList{noShortcut + "the menu's Ask something opens this panel."};
        // Declined: the notice says why the keys do nothing.
        QTest::newRow("GNOME settings: offered, declined")
            << true << Hotkey::Registration::unsupported << true
            << QStringList{noShortcut + "the menu's Ask something opens this panel."};
        // The settings are found missing after the panel opened at start: the line joins it there.
        QTest::newRow("neither") << false << Hotkey::Registration::unsupported << false
                                 << QStringList{noTray,
                                                noShortcut + "start Vesk again or run vesk --ask to open this panel."};
    }
    void noticesOnThePanel()
    {
        QFETCH(bool, trayHost);
        QFETCH(Hotkey::Registration, registration);
        AppFixture f;
        f.trayHost = trayHost;
        f.platform.hotkey->result = registration;
        QFETCH(bool, schemas);
        f.platform.desktopShortcut->settings = schemas;
        f.alerts.answer(1);
        QSignalSpy settled(&f.delegate.askShortcut(), &AskShortcut::settled);
        AskWindow& ask = f.delegate.askWindow();
        const auto visible = [&] { return ask.panelWidget() && ask.panelWidget()->isVisible(); };
        f.delegate.applicationDidFinishLaunching();
        // The panel waits for the event loop's first turn: the tray item and the menu answer first.
        QCoreApplication::processEvents();
        QVERIFY(!visible());
        QTRY_COMPARE(settled.size(), 1);
        // Offered only with GNOME's settings; declined here, so nothing is added.
        QCOMPARE(f.alerts.shown.size(), registration == Hotkey::Registration::unsupported && schemas ? 1 : 0);
        QVERIFY(f.platform.desktopShortcut->added.isEmpty());

        // Without a tray host the panel is the way in: it opens at start.
        QTRY_COMPARE(visible(), !trayHost);
        const auto shown = [&] {
            QStringList texts;
            QWidget* column = ask.resultColumn()->content();
            for (QLabel* label : column->findChildren<QLabel*>())
                if (label->isVisibleTo(column) && label->text() != AskText::opening)
                    texts << label->text();
            return texts;
        };
        // `vesk --ask` shows it; a panel already open keeps what it shows.
        QVERIFY(std::get<CommandLine>(CommandLine::parse({"vesk", "--ask"}, "2.0")).ask);
        f.delegate.activate({AppDelegate::askAction, {}});
        QVERIFY(visible());
        // In either order: the shortcut's line and the panel's opening after the first turn race.
        QFETCH(QStringList, notices);
        QStringList said = shown();
        said.sort();
        notices.sort();
        QCOMPARE(said, notices);
        QCOMPARE(accessibilityFaults(ask.panelWidget()), QStringList{});
        // Each line in full sight, without scrolling.
        QWidget* viewport = ask.resultColumn()->viewport();
        for (QLabel* label : ask.resultColumn()->content()->findChildren<QLabel*>())
            QTRY_VERIFY(viewport->rect().contains(QRect(label->mapTo(viewport, QPoint()), label->size())));
        ask.close();
        QVERIFY(ask.show());
        QCOMPARE(shown(), QStringList{});
    }

    // The desktop's colour scheme, followed while Vesk runs: the portal's SettingChanged signal
    // repaints the windows open and is what windows opened later draw with, either way round.
    void colourSchemeFollowed()
    {
        auto script = portal(QStringList{"--scheme", "2"});
        const auto end = qScopeGuard([&] { stop(script); });
        QVERIFY(script);
        PortalAppearance appearance;
        const auto restore = qScopeGuard([&] { appearance.apply(PortalAppearance::Scheme::noPreference); });
        const auto ground = [](QWidget& w) { return w.grab().toImage().pixelColor(w.width() / 2, w.height() / 2); };
        const auto window = [] {
            auto view = std::make_unique<InkView>(
                [](InkLayer& layer, const QWidget& v) { layer.background = Ink::ground().resolve(&v); });
            view->resize(40, 40);
            view->show();
            return view;
        };
        auto open = window();
        appearance.start(connection("scheme"));
        QTRY_COMPARE(ground(*open), Ink::ground().light);
        for (const uint scheme : {1u, 2u}) {
            const QColor expected = scheme == 1 ? Ink::ground().dark : Ink::ground().light;
            control("scheme", "Scheme", {QVariant::fromValue(scheme)});
            QTRY_COMPARE(ground(*open), expected);
            auto later = window();
            QCOMPARE(ground(*later), expected);
        }
    }
};

QTEST_MAIN(ReachableTest)
#include "tst_Reachable.moc"
