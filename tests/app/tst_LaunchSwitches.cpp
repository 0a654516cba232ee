#include "LaunchSwitches.h"
#include "MenuText.h"

#include <QTest>

using namespace vesk;

// Environment variables as (name, value) pairs; a null value means unset.
using Env = QList<QPair<QByteArray, QByteArray>>;

class LaunchSwitchesTest : public QObject {
    Q_OBJECT
    void clear()
    {
        for (const char* name : {"VESK_INTERJECTION_SELFCHECK", "VESK_APP_DEBUG", "VESK_ONBOARDING_PREVIEW",
                                 "VESK_FIRST_RUN_PREVIEW", "VESK_SURFACE_PREVIEW", "VESK_INTERJECTION_TEST_CONTEXT",
                                 "VESK_INTERJECTION_FIRST_PASS_SECONDS", "VESK_INTERJECTION_PREVIEW"}) {
            qunsetenv(name);
            qunsetenv(QByteArray(name).replace("VESK_", "QEV_"));
        }
    }

private slots:
    void fromEnvironment_data()
    {
        QTest::addColumn<Env>("env");
        QTest::addColumn<LaunchSwitches>("expected");

        QTest::newRow("nothing set") << Env{} << LaunchSwitches{};

        LaunchSwitches selfCheck;
        selfCheck.selfCheck = true;
        QTest::newRow("self-check on \"1\"") << Env{{"VESK_INTERJECTION_SELFCHECK", "1"}} << selfCheck;
        QTest::newRow("self-check \"true\" starts the application")
            << Env{{"VESK_INTERJECTION_SELFCHECK", "true"}} << LaunchSwitches{};

        LaunchSwitches debug;
        debug.debug = true;
        QTest::newRow("debug with any value, even empty") << Env{{"VESK_APP_DEBUG", ""}} << debug;

        LaunchSwitches previews;
        previews.onboardingPreview = true;
        previews.firstRunPreview = true;
        QTest::newRow("previews") << Env{{"VESK_ONBOARDING_PREVIEW", "1"}, {"QEV_FIRST_RUN_PREVIEW", "1"}} << previews;
        QTest::newRow("previews need exactly \"1\"")
            << Env{{"VESK_ONBOARDING_PREVIEW", "yes"}, {"VESK_FIRST_RUN_PREVIEW", " 1"}} << LaunchSwitches{};

        LaunchSwitches inbox;
        inbox.surface = LaunchSwitches::Surface::inbox;
        LaunchSwitches data;
        data.surface = LaunchSwitches::Surface::data;
        LaunchSwitches privacy;
        privacy.surface = LaunchSwitches::Surface::privacy;
        QTest::newRow("surface inbox from the legacy name") << Env{{"QEV_SURFACE_PREVIEW", "inbox"}} << inbox;
        QTest::newRow("the VESK_ surface wins over the legacy one")
            << Env{{"VESK_SURFACE_PREVIEW", "data"}, {"QEV_SURFACE_PREVIEW", "inbox"}} << data;
        QTest::newRow("surface privacy") << Env{{"VESK_SURFACE_PREVIEW", "privacy"}} << privacy;
        QTest::newRow("any other surface opens nothing") << Env{{"VESK_SURFACE_PREVIEW", "Inbox"}} << LaunchSwitches{};

        LaunchSwitches reminders;
        reminders.interjections = {"STATE.md", 2.5, true};
        QTest::newRow("reminders: test context, first-pass seconds, preview")
            << Env{{"QEV_INTERJECTION_TEST_CONTEXT", "STATE.md"},
                   {"VESK_INTERJECTION_FIRST_PASS_SECONDS", "2.5"},
                   {"VESK_INTERJECTION_PREVIEW", "1"}}
            << reminders;
        QTest::newRow("reminders: empty context, negative seconds, preview not \"1\"")
            << Env{{"VESK_INTERJECTION_TEST_CONTEXT", ""},
                   {"VESK_INTERJECTION_FIRST_PASS_SECONDS", "-1"},
                   {"VESK_INTERJECTION_PREVIEW", "0"}}
            << LaunchSwitches{};
    }

    void fromEnvironment()
    {
        QFETCH(Env, env);
        clear();
        for (const auto& [name, value] : env)
            qputenv(name.constData(), value);
        const LaunchSwitches s = LaunchSwitches::fromEnvironment();
        clear();
        QTEST(s, "expected");
    }

    void diagnosticNumbers_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("screen");
        QTest::addColumn<QString>("line");
        QTest::newRow("whole numbers keep a fraction")
            << 1234.0 << 22.0 << 1920.0 << "Vesk-app: visible=true x=1234.0 w=22.0 screen=1920.0 notch=[-1.0..-1.0]\n";
        QTest::newRow("shortest form that reads back")
            << 0.1 << 22.5 << 0.0 << "Vesk-app: visible=true x=0.1 w=22.5 screen=0.0 notch=[-1.0..-1.0]\n";
    }

    void diagnosticNumbers()
    {
        QFETCH(double, x);
        QFETCH(double, width);
        QFETCH(double, screen);
        QTEST(MenuText::diagnosticLine(true, x, width, screen, -1.0, -1.0), "line");
    }

    // The way in it names is one the session has. (The taken key's line is read end to end.)
    void shortcutFailure_data()
    {
        QTest::addColumn<Hotkey::Registration>("result");
        QTest::addColumn<bool>("trayHost");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("keys");
        QTest::newRow("registered: nothing to say") << Hotkey::Registration::registered << false << ""
                                                    << "";
        // Another example than the keys that failed.
        QTest::newRow("the suggested keys taken")
            << Hotkey::Registration::taken << true
            << "[vesk-app] could not register Ctrl+Alt+Space; another app owns it. Choose other keys with vesk "
               "--shortcut KEYS (for example vesk --shortcut Ctrl+Shift+Space), or use the menu.\n"
            << "Ctrl+Alt+Space";
        QTest::newRow("no global shortcut can exist here")
            << Hotkey::Registration::unavailable << true
            << "[vesk-app] could not register Alt+Space; global shortcuts are unavailable here. Choose other keys with "
               "vesk --shortcut KEYS (for example vesk --shortcut Ctrl+Alt+Space), or use the menu.\n"
            << "";
        QTest::newRow("no shortcut and no tray")
            << Hotkey::Registration::unavailable << false
            << "[vesk-app] could not register Alt+Space; global shortcuts are unavailable here. Choose other keys with "
               "vesk --shortcut KEYS (for example vesk --shortcut Ctrl+Alt+Space); until then, start Vesk again or run "
               "vesk --ask to open the ask panel.\n"
            << "";
    }
    void shortcutFailure()
    {
        QFETCH(Hotkey::Registration, result);
        QFETCH(bool, trayHost);
        QFETCH(QString, keys);
        QTEST(MenuText::shortcutFailureLine(result, KeyChord::parse(keys).value_or(KeyChord::standard()), trayHost),
              "line");
    }
};

QTEST_MAIN(LaunchSwitchesTest)
#include "tst_LaunchSwitches.moc"
