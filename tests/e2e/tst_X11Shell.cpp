// Runs under tests/e2e/with-x11: a real X server, jwm, and (unless --no-tray) its tray host.
#include "PlatformServices.h"
#include "XcbHotkey.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <unistd.h>
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
        auto cookie
            = xcb_grab_key_checked(connection, 1, root, modifiers, keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
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

QString output(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(10000) ? QString::fromUtf8(p.readAllStandardOutput()) : QString();
}

// A mapped window of another process as xwininfo reports it.
struct XWindow {
    QString id;
    QRect geometry;                // in root coordinates
    bool overrideRedirect = false; // menus and the docked tray icon; not managed by the window manager
};

// Every mapped window carrying the process id (_NET_WM_PID), wherever the window manager put it.
QList<XWindow> windowsOf(qint64 pid)
{
    QList<XWindow> out;
    const QStringList search{QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                             QString::number(pid)};
    const QStringList ids = output(QStringLiteral("xdotool"), search).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& id : ids) {
        const QString info = output(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id});
        auto number = [&](const QString& label) {
            return QRegularExpression(label + QStringLiteral(":\\s+(-?\\d+)")).match(info).captured(1).toInt();
        };
        if (info.contains(QStringLiteral("IsViewable")))
            out.append(
                {id,
                 QRect(number(QStringLiteral("Absolute upper-left X")), number(QStringLiteral("Absolute upper-left Y")),
                       number(QStringLiteral("Width")), number(QStringLiteral("Height"))),
                 info.contains(QStringLiteral("Override Redirect State: yes"))});
    }
    return out;
}

// The tray icon is the small mapped window, an open menu a large override-redirect one; a
// confirmation is managed by the window manager.
std::optional<XWindow> find(qint64 pid, const std::function<bool(const XWindow&)>& match)
{
    for (const XWindow& w : windowsOf(pid))
        if (match(w))
            return w;
    return std::nullopt;
}
bool isIcon(const XWindow& w)
{
    return w.geometry.width() <= 64 && w.geometry.height() <= 64;
}
bool isMenu(const XWindow& w)
{
    return w.overrideRedirect && !isIcon(w);
}
bool isManaged(const XWindow& w)
{
    return !w.overrideRedirect;
}

// vesk against veskd-demo in a private home; both stop when it goes.
class Session {
public:
    explicit Session(const QStringList& demoArguments = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("VESK_APP_DEBUG"), QStringLiteral("1"));
        // Its own runtime folder, where the instance keeps its lock and socket.
        QDir(home.path()).mkdir(QStringLiteral("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("run")));
        const QString demo = qEnvironmentVariable("VESKD_DEMO_BINARY");
        if (QFileInfo::exists(demo)) {
            daemon.setProcessEnvironment(env);
            daemon.setProcessChannelMode(QProcess::MergedChannels);
            daemon.start(demo, demoArguments);
        }
        app.setProcessEnvironment(env);
    }
    ~Session()
    {
        for (QProcess* p : {&app, &daemon}) {
            if (p->state() == QProcess::NotRunning)
                continue;
            p->terminate();
            if (!p->waitForFinished(10000))
                p->kill();
            p->waitForFinished(2000);
        }
    }
    // Starts vesk once the daemon listens; true when its diagnostic line came.
    bool start()
    {
        if (daemon.state() != QProcess::NotRunning
            && !QTest::qWaitFor([this] { return (demoLog += daemon.readAll()).contains("listening on"); }, 15000))
            return false;
        app.start(qEnvironmentVariable("VESK_BINARY"), {});
        auto diagnosed = [&] { return (err += app.readAllStandardError()).contains("Vesk-app: visible="); };
        return app.waitForStarted() && QTest::qWaitFor(diagnosed, 15000);
    }
    // How many requests of `op` the daemon has answered so far.
    int answered(const QByteArray& op)
    {
        demoLog += daemon.readAll();
        return int(demoLog.count("veskd-demo: " + op + " → "));
    }
    bool presenting() const
    {
        QFile f(home.filePath(QStringLiteral("config/vesk/defaults.json")));
        return f.open(QIODevice::ReadOnly) && f.readAll().contains("\"vesk.presentation_mode.enabled\": true");
    }
    qint64 pid() const { return app.processId(); }

    QTemporaryDir home;
    QProcess daemon;
    QProcess app;
    QByteArray err;
    QByteArray demoLog;
};

// Opens the status menu from its icon, once the last one has closed; the menu's window. A click
// that lands while the closing menu still holds the pointer opens nothing, so it is repeated.
std::optional<XWindow> openMenu(const Session& s, const XWindow& icon)
{
    if (!QTest::qWaitFor([&] { return !find(s.pid(), isMenu); }, 10000))
        return std::nullopt;
    std::optional<XWindow> menu;
    const QPoint at = icon.geometry.center();
    for (int click = 0; click < 3; ++click) {
        xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()), QStringLiteral("click"),
                 QStringLiteral("3")});
        if (QTest::qWaitFor([&] { return (menu = find(s.pid(), isMenu)).has_value(); }, 3000))
            return menu;
    }
    return std::nullopt;
}

// The menu's third live line is "Presentation Mode" (after the two switches).
void togglePresentationFromMenu()
{
    xdotool({QStringLiteral("key"), QStringLiteral("Down"), QStringLiteral("Down"), QStringLiteral("Down"),
             QStringLiteral("Return")});
}

} // namespace

class X11ShellTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void shortcutOwnedByAnotherClient();
    void shortcutFires_data();
    void shortcutFires();
    void autoRepeatFiresOnce();
    void statusItemThroughPresentationMode();
    void applicationAgainstDemoDaemon();

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
    const auto m = XcbHotkey::readMapping(x11->connection(), KeyChord::standard());
    QVERIFY(m);
    mapping = *m;
}

void X11ShellTest::shortcutOwnedByAnotherClient()
{
    OtherClient other;
    // The other client holds only the NumLock variant: ours must fail and let go of the ones it
    // had already grabbed.
    const uint16_t altNum = mapping.modifiers | mapping.numLockMask;
    QCOMPARE(other.grab(mapping.keycode, altNum), 0);
    QCOMPARE(services.hotkey->registerShortcut(KeyChord::standard(), this, [this] { ++presses; }, {}),
             Hotkey::Registration::taken);
    QCOMPARE(other.grab(mapping.keycode, mapping.modifiers), 0);
    QCOMPARE(other.grab(mapping.keycode, mapping.modifiers | XCB_MOD_MASK_LOCK), 0);
    other.ungrab(mapping.keycode, XCB_MOD_MASK_ANY);

    QCOMPARE(services.hotkey->registerShortcut(KeyChord::standard(), this, [this] { ++presses; }, {}),
             Hotkey::Registration::registered);
    // Now we own every variant.
    QCOMPARE(other.grab(mapping.keycode, mapping.modifiers), badAccess);
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

void X11ShellTest::statusItemThroughPresentationMode()
{
    if (!expectTray())
        QSKIP("needs the tray host");
    Session s;
    QVERIFY(s.start());
    std::optional<XWindow> icon;
    QTRY_VERIFY((icon = find(s.pid(), isIcon)).has_value());
    // Both start-up chains have their answer and the reminders have read their policy (its status
    // goes before their signals on the one lane), so the next status reply is the menu's.
    QTRY_COMPARE(s.answered("interjection_signals"), 1);
    const int statusBefore = s.answered("status");

    // Answers is on in the demo memory: off first (no question asked), then on, which asks.
    auto toAnswersTier = [] {
        xdotool({QStringLiteral("key"), QStringLiteral("Down"), QStringLiteral("Down"), QStringLiteral("Down"),
                 QStringLiteral("Down"), QStringLiteral("Right"), QStringLiteral("Return")});
    };
    QVERIFY(openMenu(s, *icon));
    QTRY_COMPARE(s.answered("status"), statusBefore + 1);
    toAnswersTier();
    QTRY_COMPARE(s.answered("set_tier"), 1);
    // A key equivalent acts while the menu is open, though Alt goes down before the rest.
    QVERIFY(openMenu(s, *icon));
    xdotool({QStringLiteral("key"), QStringLiteral("alt+shift+p")});
    QTRY_COMPARE(s.answered("set_capture"), 1);
    QVERIFY(openMenu(s, *icon));
    toAnswersTier();
    QTRY_VERIFY_WITH_TIMEOUT(find(s.pid(), isManaged), 10000);

    // With the question open the status item still answers, and turning presentation mode on from
    // it dismisses the question.
    QVERIFY(openMenu(s, *icon));
    togglePresentationFromMenu();
    QTRY_VERIFY(s.presenting());
    QTRY_VERIFY(!find(s.pid(), isManaged));
    QCOMPARE(s.answered("set_tier"), 1);

    // The icon stays on screen and its menu still opens: the mode can be turned off again.
    QVERIFY(openMenu(s, *icon));
    QCOMPARE(find(s.pid(), isIcon).value_or(XWindow{}).id, icon->id);
    togglePresentationFromMenu();
    QTRY_VERIFY(!s.presenting());
    QCOMPARE(find(s.pid(), isIcon).value_or(XWindow{}).id, icon->id);

    // Ctrl+Q on the open menu, the key of its "Quit Vesk", ends the process at once and cleanly:
    // its socket goes and its lock is free for the next start.
    const QDir run(s.home.filePath(QStringLiteral("run")));
    const auto left = [&run] { return run.entryList({QStringLiteral("vesk-*")}, QDir::Files | QDir::System); };
    QCOMPARE(left().size(), 2);
    QVERIFY(openMenu(s, *icon));
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+q")});
    QVERIFY(s.app.waitForFinished(10000));
    QCOMPARE(s.app.exitStatus(), QProcess::NormalExit);
    QCOMPARE(s.app.exitCode(), 0);
    QCOMPARE(left().size(), 1);
    const int lock = ::open(QFile::encodeName(run.filePath(left().value(0))).constData(), O_RDWR);
    QVERIFY(lock >= 0 && ::flock(lock, LOCK_EX | LOCK_NB) == 0);
    ::close(lock);
}

void X11ShellTest::applicationAgainstDemoDaemon()
{
    QVERIFY2(QFileInfo::exists(qEnvironmentVariable("VESK_BINARY")), "VESK_BINARY must name the built vesk");
    // Our own grab goes first: the application must then find the key taken and say so.
    services.hotkey.reset();
    OtherClient other;
    QCOMPARE(other.grab(mapping.keycode, mapping.modifiers), 0);
    {
        Session s;
        // The diagnostic line comes one second after start, from the running event loop.
        QVERIFY(s.start());
        QCOMPARE(s.app.state(), QProcess::Running);
        // The way in it names is the menu only where the tray shows it.
        QVERIFY2(s.err.contains("[vesk-app] could not register Alt+Space; another app owns it. Choose other keys with "
                                "vesk --shortcut KEYS (for example vesk --shortcut Ctrl+Alt+Space)"
                                + QByteArray(expectTray()
                                                 ? ", or use the menu.\n"
                                                 : "; until then, start Vesk again or run vesk --ask to open the ask "
                                                   "panel.\n")),
                 s.err);
        QCOMPARE(s.err.contains("[vesk-app] no system tray available"), !expectTray());
        QVERIFY2(s.err.contains(expectTray() ? "visible=true" : "visible=false"), s.err);
        QVERIFY2(!expectTray() || !s.err.contains(" w=0.0 "), s.err);
    }
    // With the key free, a fresh start registers it: nobody else can take it while it runs.
    other.ungrab(mapping.keycode, XCB_MOD_MASK_ANY);
    Session s;
    QVERIFY(s.start());
    QVERIFY2(!s.err.contains("Alt+Space"), s.err);
    QCOMPARE(other.grab(mapping.keycode, mapping.modifiers), badAccess);
}

QTEST_MAIN(X11ShellTest)
#include "tst_X11Shell.moc"
