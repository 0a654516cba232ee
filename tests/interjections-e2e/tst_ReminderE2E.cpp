// Runs under tests/e2e/with-x11: a real X server and jwm, the vesk program and veskd-demo.
#include "DaemonClient.h"
#include "Json.h"
#include "PlatformServices.h"

#include <QGuiApplication>
#include <QJsonArray>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <xcb/xcb.h>

using namespace vesk;

namespace {

QString xdotool(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// The visible window with this exact name, as xdotool finds it.
QString windowNamed(const QString& pattern)
{
    return xdotool({"search", "--onlyvisible", "--name", pattern}).section('\n', 0, 0);
}

QRect geometryOf(const QString& window)
{
    const QString shell = xdotool({"getwindowgeometry", "--shell", window});
    const auto value
        = [&shell](const char* key) { return shell.section(QString(key) + '=', 1).section('\n', 0, 0).toInt(); };
    return QRect(value("X"), value("Y"), value("WIDTH"), value("HEIGHT"));
}

// The reply to the request `send` makes, once it has come.
Reply answer(const std::function<void(Completion)>& send)
{
    const auto got = std::make_shared<std::optional<Reply>>();
    send([got](Reply r) { *got = std::move(r); });
    return QTest::qWaitFor([got] { return got->has_value(); }, 10000) ? **got : Reply{};
}

// The centre of the first run of at least 40 pixels in the colour, row by row: a filled button,
// which no glyph of text can be.
std::optional<QPoint> filledRun(const QImage& image, QRgb colour)
{
    for (int y = 0; y < image.height(); ++y) {
        int run = 0;
        for (int x = 0; x < image.width(); ++x) {
            run = (image.pixel(x, y) & 0xffffff) == (colour & 0xffffff) ? run + 1 : 0;
            if (run == 40)
                return QPoint(x - 20, y + 8);
        }
    }
    return std::nullopt;
}

} // namespace

class ReminderE2ETest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        platform = createPlatformServices();
    }

    // A file in an editor: a title with a character past ASCII.
    void foregroundWindow()
    {
        const QString title = "invoice.rs — harbor-api";
        QWidget window;
        window.setWindowTitle(title);
        window.resize(400, 300);
        window.show();
        window.activateWindow();
        QTRY_COMPARE(platform.foregroundWindow->current().value_or(ForegroundApp{}).windowTitle, title);
        const ForegroundApp front = *platform.foregroundWindow->current();
        QCOMPARE(front.pid, QCoreApplication::applicationPid());
        QCOMPARE(front.applicationId, QCoreApplication::applicationName().toLower());
        QVERIFY(!front.fullScreen);
        window.showFullScreen();
        QTRY_VERIFY(platform.foregroundWindow->current().value_or(ForegroundApp{}).fullScreen);
    }

    void plainX11Window()
    {
        // A window of an older toolkit: only WM_NAME in Latin-1 and its class.
        xcb_connection_t* c = xcb_connect(nullptr, nullptr);
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        const xcb_window_t w = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, 300, 200, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          screen->root_visual, 0, nullptr);
        const QByteArray name = QString("Café - plain").toLatin1();
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, name.size(),
                            name.data());
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, 14, "xterm\0Old App\0");
        xcb_map_window(c, w);
        xcb_flush(c);
        QTRY_VERIFY(!windowNamed("^Café - plain$").isEmpty());
        xdotool({"windowactivate", "--sync", QString::number(w)});
        QTRY_COMPARE(platform.foregroundWindow->current().value_or(ForegroundApp{}).windowTitle, "Café - plain");
        QCOMPARE(platform.foregroundWindow->current()->applicationId, "old-app");
        QCOMPARE(platform.foregroundWindow->current()->name, "Old App");
        QCOMPARE(platform.foregroundWindow->current()->pid, std::nullopt);
        xcb_disconnect(c);
    }

    void cardForTheWindowInFront()
    {
        QTemporaryDir home;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.insert("XDG_CONFIG_HOME", home.filePath("config"));
        env.remove("VESK_INTERJECTION_TEST_CONTEXT");
        env.remove("QEV_INTERJECTION_TEST_CONTEXT");
        QProcess demo;
        demo.setProcessEnvironment(env);
        demo.start(qEnvironmentVariable("VESKD_DEMO_BINARY"), {});
        QByteArray demoLog;
        const QString socket = DaemonClient::socketPathForHome(home.path());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(socket), 20000);

        // No quiet hours, whatever the hour the test runs at, and no reopened items, so the pass
        // goes the search road from the window's title.
        DaemonClient client(socket);
        QVERIFY(Json::isKind(answer([&client](Completion done) {
                                 client.setDeliveryPolicy(true, 2, 60, false, std::nullopt, std::nullopt, qApp,
                                                          std::move(done));
                             }),
                             u"ok"));

        QWidget editor;
        editor.setWindowTitle("invoice.rs — harbor-api");
        editor.resize(500, 300);
        editor.show();
        editor.activateWindow();
        QTRY_COMPARE(platform.foregroundWindow->current().value_or(ForegroundApp{}).windowTitle, editor.windowTitle());

        env.insert("VESK_INTERJECTION_FIRST_PASS_SECONDS", "1");
        QProcess vesk;
        vesk.setProcessEnvironment(env);
        vesk.start(qEnvironmentVariable("VESK_BINARY"), {});
        QVERIFY(vesk.waitForStarted());
        QString card;
        QTRY_VERIFY_WITH_TIMEOUT(!(card = windowNamed("^Vesk reminder$")).isEmpty(), 20000);
        // The card is the handoff the daemon recorded for the decision the demo memory links to
        // invoice.rs (node 11): the pass searched with the title read from the window in front.
        const Reply deliveries
            = answer([&client](Completion done) { client.recentDeliveries(1, qApp, std::move(done)); });
        QVERIFY(deliveries);
        const QJsonArray row = deliveries->value("deliveries").toArray().at(0).toArray();
        QCOMPARE(row.at(1).toString(), "human");
        const Reply package = answer(
            [&](Completion done) { client.inspectContextPackage(row.at(0).toString(), qApp, std::move(done)); });
        QVERIFY(package);
        QCOMPARE(package->value("node_ids").toArray(), QJsonArray{11});

        // Top-right of the available area, and the editor keeps the focus.
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QRect at;
        QTRY_VERIFY((at = geometryOf(card)).width() == 390 && at.height() > 100);
        QCOMPARE(at.x() + at.width(), area.x() + area.width() - 18);
        QCOMPARE(at.y(), area.y() + 18);
        QCOMPARE(platform.foregroundWindow->current()->pid, QCoreApplication::applicationPid());
        QCOMPARE(xdotool({"getactivewindow"}), QString::number(editor.winId()));

        // "Open sources" is the one filled button of the card.
        const QImage shot
            = QGuiApplication::primaryScreen()->grabWindow(0, at.x(), at.y(), at.width(), at.height()).toImage();
        const auto button = filledRun(shot, qRgb(0x15, 0x18, 0x1D));
        QVERIFY(button);
        xdotool(
            {"mousemove", QString::number(at.x() + button->x()), QString::number(at.y() + button->y()), "click", "1"});
        QTRY_VERIFY_WITH_TIMEOUT(!windowNamed("^Ask Vesk").isEmpty(), 10000);
        QTRY_VERIFY(windowNamed("^Vesk reminder$").isEmpty());
        // The entity page asks where the item came from.
        QTRY_VERIFY((demoLog += demo.readAllStandardError()).contains("why → why"));

        vesk.terminate();
        QVERIFY(vesk.waitForFinished(10000));
        demo.terminate();
        QVERIFY(demo.waitForFinished(10000));
    }

private:
    PlatformServices platform;
};

QTEST_MAIN(ReminderE2ETest)
#include "tst_ReminderE2E.moc"
