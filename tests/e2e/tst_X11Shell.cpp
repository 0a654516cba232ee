// Runs under tests/e2e/with-x11: a real X server, jwm, and (unless --no-tray) its tray host.
#include "PlatformServices.h"
#include "XcbHotkey.h"

#include <QGuiApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <xcb/xcb.h>

using namespace vesk;

namespace {

bool expectTray()
{
    return qEnvironmentVariable("VESK_E2E_TRAY") == QStringLiteral("1");
}

void xdotool(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    QVERIFY2(p.waitForFinished(10000) && p.exitCode() == 0, qPrintable(args.join(' ')));
}

// A second X client, as another application holding keys would be.
class OtherClient {
public:
    OtherClient()
        : connection(xcb_connect(nullptr, nullptr))
    {
        root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    }
    ~OtherClient() { xcb_disconnect(connection); }

    // The X error code of the grab, 0 when it succeeded.
    int grab(uint8_t keycode, uint16_t modifiers)
    {
        auto cookie = xcb_grab_key_checked(connection, 1, root, modifiers, keycode, XCB_GRAB_MODE_ASYNC,
                                           XCB_GRAB_MODE_ASYNC);
        xcb_generic_error_t* error = xcb_request_check(connection, cookie);
        const int code = error ? error->error_code : 0;
        std::free(error);
        return code;
    }
    void ungrab(uint8_t keycode, uint16_t modifiers)
    {
        xcb_ungrab_key(connection, keycode, root, modifiers);
        xcb_flush(connection);
        // A round trip makes sure the server has handled it.
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    }

    xcb_connection_t* connection;
    xcb_window_t root = 0;
};

constexpr int badAccess = 10;

} // namespace

class X11ShellTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void shortcutOwnedByAnotherClient();
    void shortcutFires_data();
    void shortcutFires();
    void autoRepeatFiresOnce();
    void trayHost();
    void applicationAgainstDemoDaemon();
    void selfCheckSwitch_data();
    void selfCheckSwitch();

private:
    PlatformServices services;
    XcbHotkey::Mapping mapping;
    int presses = 0;
};

void X11ShellTest::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    services = createPlatformServices();
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    QVERIFY(x11);
    const auto m = XcbHotkey::readMapping(x11->connection());
    QVERIFY(m);
    mapping = *m;
}

void X11ShellTest::shortcutOwnedByAnotherClient()
{
    OtherClient other;
    // The other client holds only the NumLock variant: ours must fail and let go of the ones it
    // had already grabbed.
    const uint16_t altNum = mapping.altMask | mapping.numLockMask;
    QCOMPARE(other.grab(mapping.keycode, altNum), 0);
    QCOMPARE(services.hotkey->registerShortcut([this] { ++presses; }), Hotkey::Registration::taken);
    QCOMPARE(other.grab(mapping.keycode, mapping.altMask), 0);
    QCOMPARE(other.grab(mapping.keycode, mapping.altMask | XCB_MOD_MASK_LOCK), 0);
    other.ungrab(mapping.keycode, XCB_MOD_MASK_ANY);

    QCOMPARE(services.hotkey->registerShortcut([this] { ++presses; }), Hotkey::Registration::registered);
    // Now we own every variant.
    QCOMPARE(other.grab(mapping.keycode, mapping.altMask), badAccess);
}

void X11ShellTest::shortcutFires_data()
{
    QTest::addColumn<QString>("lockKey");
    QTest::newRow("no lock") << QString();
    QTest::newRow("NumLock on") << QStringLiteral("Num_Lock");
    QTest::newRow("CapsLock on") << QStringLiteral("Caps_Lock");
}

void X11ShellTest::shortcutFires()
{
    QFETCH(QString, lockKey);
    if (!lockKey.isEmpty())
        xdotool({QStringLiteral("key"), lockKey});
    const int before = presses;
    xdotool({QStringLiteral("key"), QStringLiteral("alt+space")});
    QTRY_COMPARE(presses, before + 1);
    // Space alone, or with another modifier, is not the shortcut.
    xdotool({QStringLiteral("key"), QStringLiteral("space"), QStringLiteral("ctrl+alt+space")});
    if (!lockKey.isEmpty())
        xdotool({QStringLiteral("key"), lockKey});
    xdotool({QStringLiteral("key"), QStringLiteral("alt+space")});
    QTRY_COMPARE(presses, before + 2);
}

void X11ShellTest::autoRepeatFiresOnce()
{
    const int before = presses;
    // A held key repeats its press without a release in between.
    xdotool({QStringLiteral("keydown"), QStringLiteral("alt"), QStringLiteral("keydown"), QStringLiteral("space"),
             QStringLiteral("keydown"), QStringLiteral("space"), QStringLiteral("keydown"), QStringLiteral("space"),
             QStringLiteral("keyup"), QStringLiteral("space"), QStringLiteral("keyup"), QStringLiteral("alt")});
    QTRY_COMPARE(presses, before + 1);
    xdotool({QStringLiteral("key"), QStringLiteral("alt+space")});
    QTRY_COMPARE(presses, before + 2);
}

void X11ShellTest::trayHost()
{
    QSystemTrayIcon icon(QIcon(QPixmap(18, 18)));
    icon.show();
    if (expectTray()) {
        QTRY_VERIFY(QSystemTrayIcon::isSystemTrayAvailable());
        QTRY_VERIFY(icon.geometry().width() > 0);
    } else {
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
    }
}

void X11ShellTest::applicationAgainstDemoDaemon()
{
    const QString vesk = qEnvironmentVariable("VESK_BINARY");
    const QString demo = qEnvironmentVariable("VESKD_DEMO_BINARY");
    QVERIFY2(QFileInfo::exists(vesk), "VESK_BINARY must name the built vesk");
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("VESK_APP_DEBUG"), QStringLiteral("1"));

    QProcess daemon;
    if (QFileInfo::exists(demo)) {
        daemon.setProcessEnvironment(env);
        daemon.start(demo, {});
        QVERIFY(daemon.waitForStarted());
    }

    // Our own grab goes first: the application must then find the key taken and say so.
    services.hotkey.reset();
    OtherClient other;
    QCOMPARE(other.grab(mapping.keycode, mapping.altMask), 0);

    QProcess app;
    app.setProcessEnvironment(env);
    app.start(vesk, {});
    QVERIFY(app.waitForStarted());
    QByteArray err;
    // The diagnostic line comes one second after start, from the running event loop.
    QTRY_VERIFY_WITH_TIMEOUT((err += app.readAllStandardError()).contains("Vesk-app: visible="), 15000);
    QCOMPARE(app.state(), QProcess::Running);
    QVERIFY2(err.contains("[vesk-app] could not register ⌥Space; another app owns it. Use the menu.\n"), err);
    QCOMPARE(err.contains("[vesk-app] no system tray available"), !expectTray());
    if (expectTray()) {
        QVERIFY2(err.contains("visible=true"), err);
        QVERIFY2(!err.contains(" w=0.0 "), err);
    } else {
        QVERIFY2(err.contains("visible=false"), err);
    }

    app.terminate();
    QVERIFY(app.waitForFinished(10000));
    if (daemon.state() != QProcess::NotRunning) {
        daemon.terminate();
        QVERIFY(daemon.waitForFinished(10000));
    }

    // With the key free, a fresh start registers it: nobody else can take it while it runs.
    other.ungrab(mapping.keycode, XCB_MOD_MASK_ANY);
    app.start(vesk, {});
    QVERIFY(app.waitForStarted());
    err.clear();
    QTRY_VERIFY_WITH_TIMEOUT((err += app.readAllStandardError()).contains("Vesk-app: visible="), 15000);
    QVERIFY2(!err.contains("⌥Space"), err);
    QCOMPARE(other.grab(mapping.keycode, mapping.altMask), badAccess);
    app.terminate();
    QVERIFY(app.waitForFinished(10000));
}

void X11ShellTest::selfCheckSwitch_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("exits");
    QTest::newRow("VESK_ \"1\" exits") << "VESK_INTERJECTION_SELFCHECK" << "1" << true;
    QTest::newRow("legacy QEV_ \"1\" exits") << "QEV_INTERJECTION_SELFCHECK" << "1" << true;
    QTest::newRow("any other value starts the application") << "VESK_INTERJECTION_SELFCHECK" << "yes" << false;
}

void X11ShellTest::selfCheckSwitch()
{
    QFETCH(QString, name);
    QFETCH(QString, value);
    QFETCH(bool, exits);
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("VESK_APP_DEBUG"), QStringLiteral("1"));
    env.insert(name, value);
    // The checks run before any window exists: they need no display.
    if (exits)
        env.remove(QStringLiteral("DISPLAY"));
    QProcess app;
    app.setProcessEnvironment(env);
    app.start(qEnvironmentVariable("VESK_BINARY"), {});
    QVERIFY(app.waitForStarted());
    if (exits) {
        QVERIFY(app.waitForFinished(15000));
        const QByteArray err = app.readAllStandardError();
        QCOMPARE(app.exitCode(), 0);
        QCOMPARE(err.count("\n  ok   ") + 1, 14);
        QVERIFY2(err.startsWith("  ok   quiet hours") && err.endsWith("\nall interjection checks passed\n"), err);
    } else {
        QByteArray err;
        QTRY_VERIFY_WITH_TIMEOUT((err += app.readAllStandardError()).contains("Vesk-app: visible="), 15000);
        app.terminate();
        QVERIFY(app.waitForFinished(10000));
    }
}

QTEST_MAIN(X11ShellTest)
#include "tst_X11Shell.moc"
