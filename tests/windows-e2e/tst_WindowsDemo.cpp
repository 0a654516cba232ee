// Excluding a website and forgetting what was captured from it, and deleting expired pixels, in the
// real windows against veskd-demo: the daemon's own later answers show the change.
#include "DataWindow.h"
#include "DemoProcess.h"
#include "PrivacyExclusionsWindow.h"
#include "SafeText.h"
#include "ScrollColumn.h"
#include "WindowsFixture.h"

#include <QApplication>

using namespace vesk;
using namespace vesk::test;

namespace {

// The sources of the demo's answer to a question about the pull request's rounding fix.
QStringList answerSources(DaemonClient& client)
{
    const auto reply = call(client, [](DaemonClient& c, Completion done) {
        c.ask(QStringLiteral("banker's rounding"), QCoreApplication::instance(), std::move(done));
    });
    QStringList urls;
    if (reply && *reply)
        for (const QJsonObject& e : Json::objects(**reply, u"evidence").value_or(QList<QJsonObject>()))
            urls << Json::string(e, u"document_url").value_or(QString());
    return urls;
}

bool fromGithub(const QStringList& urls)
{
    return std::any_of(urls.begin(), urls.end(), [](const QString& u) { return u.contains("github.com"); });
}

} // namespace

class WindowsDemoTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void excludeAWebsiteAndForgetItsScreens()
    {
        DemoProcess demo;
        QVERIFY(demo.ready());
        DaemonClient client(demo.socketPath);
        QVERIFY(fromGithub(answerSources(client)));

        ScriptedAlerts alerts;
        PlatformServices platform = createPlatformServices();
        DaemonRig settings; // its settings and presentation mode; the demo is the daemon
        PrivacyExclusionsWindow window(client, *platform.workspace, *platform.permissions, alerts,
                                       settings.presentation);
        QVERIFY(window.open());
        QWidget* shell = &window;
        click(WindowsFixture::button(shell, "Websites"));
        QTRY_VERIFY_WITH_TIMEOUT(WindowsFixture::texts(shell).contains(SafeText::isolated("bank.example.com")), 10000);
        alerts.answerTyping(0, "https://github.com/harbor/harbor-api/pull/318");
        alerts.answer(0); // review what would be deleted
        alerts.answer(0); // forget existing data
        click(WindowsFixture::button(shell, "Add website…"));
        QTRY_COMPARE_WITH_TIMEOUT(alerts.shown.size(), 4, 10000);
        QCOMPARE(alerts.shown[1].text,
                 "The exclusion is active and stops new capture. 3 screenshot records taken "
                 "before it stay unless you forget them now.");
        QVERIFY(alerts.shown[2].text.startsWith("This irreversibly deletes 3 screenshot records and pixels ("));
        QCOMPARE(alerts.shown[3].title, "Existing data from that website was forgotten.");
        QCOMPARE(alerts.shown[3].text, "Removed 3 screenshot records. The exclusion remains active.");
        // The daemon keeps only the hostname, and the list is what the daemon holds.
        QTRY_VERIFY_WITH_TIMEOUT(WindowsFixture::texts(shell).contains(SafeText::isolated("github.com")), 10000);
        QVERIFY(WindowsFixture::texts(shell).contains(SafeText::isolated("bank.example.com")));
        const QStringList later = answerSources(client);
        QVERIFY2(!fromGithub(later), qPrintable(later.join(", ")));
    }

    void deleteExpiredPixels()
    {
        DemoProcess demo;
        QVERIFY(demo.ready());
        DaemonClient client(demo.socketPath);
        ScriptedAlerts alerts;
        DaemonRig settings; // its settings and presentation mode; the demo is the daemon
        DataWindow window(client, alerts, settings.presentation);
        QVERIFY(window.open());
        const auto shown = [&window] { return WindowsFixture::texts(window.column()->content()); };
        const QString expired = "Screenshot pixels are retained for 5 days. 5 screenshot payloads are expired now.";
        QTRY_VERIFY_WITH_TIMEOUT(shown().contains(expired), 10000);
        InkButton* remove = WindowsFixture::button(window.column()->content(), "Delete expired pixels now");
        QVERIFY(remove->isEnabled());
        alerts.answer(0);
        click(remove);
        QTRY_COMPARE_WITH_TIMEOUT(alerts.shown.size(), 2, 10000);
        QCOMPARE(alerts.shown[1].title, "Expired pixels deleted.");
        QVERIFY2(alerts.shown[1].text.startsWith("5 screenshot payloads removed; 0.2 MB freed."),
                 qPrintable(alerts.shown[1].text));
        // The window fills again from the daemon's new figures.
        QTRY_VERIFY_WITH_TIMEOUT(!shown().contains(expired)
                                     && shown().join("\n").contains("The next screenshot pixels "
                                                                    "expire "),
                                 10000);
        QVERIFY(!WindowsFixture::button(window.column()->content(), "Delete expired pixels now")->isEnabled());
    }
};

QTEST_MAIN(WindowsDemoTest)
#include "tst_WindowsDemo.moc"
