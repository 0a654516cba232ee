#include "CompoundText.h"
#include "LinuxPermissions.h"
#include "NullPlatform.h"
#include "PlatformServices.h"
#include "XcbForegroundWindow.h"
#include "XcbHotkey.h"
#include "XdgAutostart.h"
#include "XfceShortcut.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace vesk;
using Service = ServiceManager::Service;
using Status = ServiceManager::Status;
Q_DECLARE_METATYPE(LinuxPermissions::Session)
Q_DECLARE_METATYPE(XcbForegroundWindow::Encoding)

namespace {
// A program at `path` that records its arguments, one a line, in `path`.args.
void recorder(const QString& path)
{
    QFile script(path);
    QVERIFY(QDir().mkpath(QFileInfo(path).path()) && script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$0.args\"\n");
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
QString readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}
} // namespace

class PlatformTest : public QObject {
    Q_OBJECT
private slots:

    void grabVariants_data()
    {
        QTest::addColumn<int>("alt");
        QTest::addColumn<int>("numLock");
        QTest::addColumn<QList<int>>("expected");
        // Lock is always bit 1 (value 2); Alt and NumLock come from the modifier mapping.
        QTest::newRow("usual Mod1 and Mod2") << 0x08 << 0x10 << QList<int>{0x08, 0x0A, 0x18, 0x1A};
        QTest::newRow("Alt on Mod4, NumLock on Mod3") << 0x40 << 0x20 << QList<int>{0x40, 0x42, 0x60, 0x62};
        QTest::newRow("no NumLock in the mapping") << 0x08 << 0 << QList<int>{0x08, 0x0A};
    }

    void grabVariants()
    {
        QFETCH(int, alt);
        QFETCH(int, numLock);
        QList<int> got;
        for (uint16_t v : XcbHotkey::variants(uint16_t(alt), uint16_t(numLock), 0x02))
            got.append(v);
        QTEST(got, "expected");
    }

    void compoundText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("title");
        // xmessage gives a title with an em dash as a UTF-8 stretch.
        QTest::newRow("UTF-8 stretch") << QByteArray("invoice.rs \x1b%G\xe2\x80\x94\x1b%@ harbor-api")
                                       << "invoice.rs — harbor-api";
        QTest::newRow("Latin-1 right half") << QByteArray("Caf\xe9 menu") << "Café menu";
        QTest::newRow("Latin-2 right half") << QByteArray("\x1b-B\xe8"
                                                          "esky")
                                            << "česky";
        QTest::newRow("JIS X 0208 on the left, then ASCII")
            << QByteArray("\x1b$(B\x46\x7c\x4b\x5c\x1b(B.txt") << "日本.txt";
    }
    void compoundText()
    {
        QFETCH(QByteArray, bytes);
        QTEST(decodeCompoundText(bytes), "title");
    }

    // What another program put in its title reaches the query and the card as plain text: only
    // text properties are read, and control characters and invalid UTF-8 are dropped.
    void foregroundTitles_data()
    {
        using E = XcbForegroundWindow::Encoding;
        QTest::addColumn<E>("encoding");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("title");
        QTest::newRow("UTF-8 kept whole")
            << E::utf8 << QByteArray("caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac") << "café 日本";
        QTest::newRow("NUL, ESC, DEL and C1 dropped")
            << E::utf8 << QByteArray("a\0b\x1b[31mc\x7f\xc2\x85", 12) << "ab[31mc";
        QTest::newRow("line breaks and tabs become spaces")
            << E::utf8 << QByteArray("one\r\ntwo\tthree") << "one  two three";
        QTest::newRow("invalid UTF-8 dropped, not boxed") << E::utf8 << QByteArray("ok\xff\xfe\xc3 done") << "ok done";
        QTest::newRow("STRING is Latin-1, controls dropped") << E::latin1 << QByteArray("Caf\xe9\x1b\x07") << "Café";
        QTest::newRow("a CARDINAL or other type is no title") << E::notText << QByteArray("\x41\0\0\0", 4) << "";
    }
    void foregroundTitles()
    {
        QFETCH(XcbForegroundWindow::Encoding, encoding);
        QFETCH(QByteArray, bytes);
        QTEST(XcbForegroundWindow::title(encoding, bytes), "title");
    }

    void offscreenIsUnavailable()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("offscreen"));
        PlatformServices services = createPlatformServices();
        bool called = false;
        QCOMPARE(services.hotkey->registerShortcut(KeyChord::standard(), QCoreApplication::instance(),
                                                   [&called] { called = true; }, {}),
                 Hotkey::Registration::unavailable);
        QVERIFY(!called);
        QCOMPARE(services.foregroundWindow->current(), std::nullopt);
    }

    // The entries a session starts at login: valid for desktop-file-validate whatever the paths
    // hold, on until the user turns one off, and that "off" kept until the user approves again.
    void autostartEntries()
    {
        QTemporaryDir root;
        const QString odd = root.filePath(QStringLiteral("Vesk $HOME \"quoted\" 100%"));
        for (const QString& program : {QStringLiteral("veskd"), QStringLiteral("vesk")})
            recorder(odd + '/' + program);
        const QString units = root.filePath("units");
        XdgAutostart autostart(root.filePath("autostart"), "2.0", odd + "/veskd", odd + "/vesk", {units});
        QCOMPARE(autostart.status(Service::daemon), Status::notRegistered);
        QVERIFY(autostart.registerService(Service::daemon) && autostart.registerService(Service::application));
        for (const char* id : {XdgAutostart::daemonId, XdgAutostart::applicationId}) {
            QProcess validate;
            validate.start("desktop-file-validate", {autostart.entryPath(id)});
            QVERIFY(validate.waitForFinished(20000));
            QCOMPARE(validate.readAll() + validate.readAllStandardError(), QByteArray());
            QCOMPARE(validate.exitCode(), 0);
        }
        QCOMPARE(autostart.status(Service::daemon), Status::enabled);
        QVERIFY(!autostart.handInstalledDaemon());

        QFile entry(autostart.entryPath(XdgAutostart::daemonId));
        QVERIFY(entry.open(QIODevice::Append));
        entry.write("X-GNOME-Autostart-enabled=false\n");
        entry.close();
        QCOMPARE(autostart.status(Service::daemon), Status::requiresApproval);
        QVERIFY(autostart.unregisterService(Service::daemon));
        QCOMPARE(autostart.status(Service::daemon), Status::requiresApproval);
        QVERIFY(autostart.approve(Service::daemon));
        QCOMPARE(autostart.status(Service::daemon), Status::enabled);
        QVERIFY(autostart.unregisterService(Service::daemon));
        QCOMPARE(autostart.status(Service::daemon), Status::notRegistered);

        // Entries written by hand run the daemon their own way.
        for (const char* id : {XdgAutostart::daemonId, XdgAutostart::legacyDaemonId}) {
            QFile hand(autostart.entryPath(id));
            QVERIFY(hand.open(QIODevice::WriteOnly));
            hand.write("[Desktop Entry]\nType=Application\nName=veskd\nExec=veskd\n");
            hand.close();
            QVERIFY(autostart.handInstalledDaemon());
            QFile::remove(autostart.entryPath(id));
        }
        // So does an enabled systemd user unit; one only installed starts nothing.
        QVERIFY(QDir(units).mkpath("default.target.wants")
                && QFile(units + "/veskd.service").open(QIODevice::WriteOnly));
        QVERIFY(!autostart.handInstalledDaemon());
        QVERIFY(QFile::link(units + "/veskd.service", units + "/default.target.wants/veskd.service"));
        QVERIFY(autostart.handInstalledDaemon());
        QVERIFY(QFile::remove(odd + "/veskd"));
        QCOMPARE(autostart.status(Service::daemon), Status::notFound);
    }

    // The desktop's terminal first; saying so when there is none.
    void terminalForDiagnostics()
    {
        QTemporaryDir bin;
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()));
        qunsetenv("TERMINAL");
        ProcessLauncher launcher;
        QCOMPARE(launcher.runInTerminal({"veskd", "doctor"}), Launcher::Launch::noTerminal);
        recorder(bin.filePath("xterm"));
        recorder(bin.filePath("x-terminal-emulator"));
        QCOMPARE(launcher.runInTerminal({"/opt/a b/veskd", "doctor"}), Launcher::Launch::started);
        QTRY_COMPARE(readAll(bin.filePath("x-terminal-emulator.args")), QStringLiteral("-e\n/opt/a b/veskd\ndoctor\n"));
        QVERIFY(!QFile::exists(bin.filePath("xterm.args")));
        qputenv("PATH", path);
    }

    void permissionNeeds_data()
    {
        QTest::addColumn<LinuxPermissions::Session>("session");
        QTest::addColumn<bool>("settingsKnown");
        QTest::addColumn<QString>("screenAction");
        QTest::newRow("X11 asks nothing") << LinuxPermissions::Session::x11 << true << "";
        QTest::newRow("Wayland, settings known")
            << LinuxPermissions::Session::wayland << true << "Open privacy settings";
        QTest::newRow("Wayland, no settings") << LinuxPermissions::Session::wayland << false << "";
    }
    void permissionNeeds()
    {
        QFETCH(LinuxPermissions::Session, session);
        QFETCH(bool, settingsKnown);
        const auto screen = LinuxPermissions::needFor(Permissions::Kind::screenRecording, session, settingsKnown);
        QTEST(screen.action, "screenAction");
        QVERIFY(!screen.note.isEmpty());
        QCOMPARE(LinuxPermissions::needFor(Permissions::Kind::accessibility, session, settingsKnown).action, QString());
    }

    void applicationIds_data()
    {
        QTest::addColumn<QByteArray>("published");
        QTest::addColumn<QByteArray>("wmClass");
        QTest::addColumn<QString>("id");
        QTest::newRow("class lower-cased")
            << QByteArray() << QByteArray("Navigator\0Firefox-esr\0", 23) << "firefox-esr";
        QTest::newRow("spaces become dashes") << QByteArray() << QByteArray("old\0Old App\0", 12) << "old-app";
        QTest::newRow("reverse-DNS class kept")
            << QByteArray() << QByteArray("x\0org.gnome.Nautilus\0", 21) << "org.gnome.Nautilus";
        QTest::newRow("instance without a class") << QByteArray() << QByteArray("zoom\0", 5) << "zoom";
        QTest::newRow("published id wins")
            << QByteArray("us.zoom.Zoom") << QByteArray("zoom\0zoom\0", 10) << "us.zoom.Zoom";
        QTest::newRow("desktop file name")
            << QByteArray("org.kde.konsole.desktop") << QByteArray() << "org.kde.konsole";
    }

    void applicationIds()
    {
        QFETCH(QByteArray, published);
        QFETCH(QByteArray, wmClass);
        QTEST(XcbForegroundWindow::applicationId(published, wmClass), "id");
    }

    // XFCE's shortcut channel: only the set in force counts, the window manager's keys as well,
    // and the first shortcut added copies the defaults into the user's own set before it switches
    // that set on, so XFCE's own shortcuts keep working.
    void xfceShortcuts()
    {
        const auto keys = [](const char* text) { return *KeyChord::parse(QString::fromLatin1(text)); };
        const auto bound = [](const char* value) { return std::optional<QString>(QString::fromLatin1(value)); };
        QMap<QString, QString> channel{{"/commands/default/<Alt>F2", "xfce4-appfinder --collapsed"},
                                       {"/commands/default/<Alt>F2/startup-notify", "true"},
                                       {"/xfwm4/default/<Alt>space", "popup_menu_key"},
                                       {"/xfwm4/custom/<Alt>space", "close_window_key"}};
        QCOMPARE(XfceShortcut::boundTo(channel, keys("Alt+Space")), bound("popup_menu_key"));
        QCOMPARE(XfceShortcut::boundTo(channel, keys("Alt+F2")), bound("xfce4-appfinder --collapsed"));
        QCOMPARE(XfceShortcut::boundTo(channel, keys("Ctrl+Alt+Space")), std::nullopt);
        const auto set = [](const QString& rest) {
            return QStringList{"-c", "xfce4-keyboard-shortcuts", "-p"} + rest.split(QLatin1Char('|'));
        };
        QCOMPARE(XfceShortcut::additions(channel, keys("Ctrl+Alt+Space"), "vesk --ask"),
                 (QList<QStringList>{set("/commands/custom/<Alt>F2|-n|-t|string|-s|xfce4-appfinder --collapsed"),
                                     set("/commands/custom/<Alt>F2/startup-notify|-n|-t|bool|-s|true"),
                                     set("/commands/custom/override|-n|-t|bool|-s|true"),
                                     set("/commands/custom/<Primary><Alt>space|-n|-t|string|-s|vesk --ask")}));

        channel.insert("/commands/custom/override", "true");
        channel.insert("/xfwm4/custom/override", "true");
        channel.insert("/commands/custom/<Primary><Alt>space", "vesk --ask");
        QCOMPARE(XfceShortcut::boundTo(channel, keys("Alt+Space")), bound("close_window_key"));
        QCOMPARE(XfceShortcut::boundTo(channel, keys("Alt+F2")), std::nullopt);
        QCOMPARE(XfceShortcut::boundTo(channel, keys("Ctrl+Alt+Space")), bound("vesk --ask"));
        QCOMPARE(XfceShortcut::additions(channel, keys("Super+F12"), "vesk --ask").size(), 1);
        // No xfconf-query to ask: no settings to add to.
        QCOMPARE(XfceShortcut(QStringLiteral("/nonexistent/xfconf-query")).binding(keys("Super+F12"), "vesk --ask"),
                 DesktopShortcut::Binding::noSettings);
    }
};

QTEST_MAIN(PlatformTest)
#include "tst_Platform.moc"
