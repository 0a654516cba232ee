#include "AppFixture.h"
#include "AskWindow.h"
#include "ScrollColumn.h"

#include <QLabel>
#include <QtTest>

using namespace vesk;
using namespace vesk::test;

using Registration = Hotkey::Registration;
Q_DECLARE_METATYPE(std::optional<Registration>)
Q_DECLARE_METATYPE(DesktopShortcut::Binding)

namespace {

// A delegate with a portal beside the X grab (none when `portal` is empty), both answering at once.
struct ShortcutFixture : AppFixture {
    explicit ShortcutFixture(std::optional<Registration> portalResult = std::nullopt, const QString& defaultsPath = {})
        : AppFixture({}, defaultsPath)
    {
        if (portalResult) {
            auto fake = std::make_unique<FakeHotkey>();
            portal = fake.get();
            portal->result = *portalResult;
            platform.services.portalHotkey = std::move(fake);
        }
    }
    FakeHotkey* portal = nullptr;
};

// The keys asked of a backend, in order.
QStringList keysOf(const FakeHotkey* hotkey)
{
    QStringList out;
    if (hotkey)
        for (const KeyChord& keys : hotkey->asked)
            out << keys.text();
    return out;
}

} // namespace

// The keys that open the ask panel: who is asked for them and in what order, what is said when
// nobody gives them, a change of keys, and keys stored for the next start.
class ShortcutTest : public QObject {
    Q_OBJECT
private slots:
    void chain_data()
    {
        QTest::addColumn<std::optional<Registration>>("portal");
        QTest::addColumn<Registration>("grab");
        QTest::addColumn<bool>("remembered"); // a portal bound nothing at an earlier start
        QTest::addColumn<QString>("holder");  // "portal", "grab" or nobody
        QTest::addColumn<int>("grabAsked");
        QTest::addColumn<QString>("reason"); // in the panel's notice; empty: none
        QTest::addColumn<bool>("remembers");
        const auto none = std::optional<Registration>();
        QTest::newRow("the portal binds: the desktop manages the keys")
            << std::optional(Registration::registered) << Registration::registered << false << "portal" << 0 << ""
            << false;
        QTest::newRow("a portal without global shortcuts: the grab")
            << std::optional(Registration::unsupported) << Registration::registered << false << "grab" << 1 << ""
            << false;
        QTest::newRow("a portal that binds nothing: the grab, and that is noted")
            << std::optional(Registration::unbound) << Registration::registered << false << "grab" << 1 << "" << true;
        QTest::newRow("noted: the grab first, the portal not asked")
            << std::optional(Registration::unbound) << Registration::registered << true << "grab" << 1 << "" << true;
        QTest::newRow("noted, but no X server: the portal after all")
            << std::optional(Registration::registered) << Registration::unavailable << true << "portal" << 1 << ""
            << true;
        QTest::newRow("declined in the desktop's own dialog: not grabbed")
            << std::optional(Registration::refused) << Registration::registered << false << "" << 0
            << "the desktop declined the shortcut" << false;
        QTest::newRow("the grab's owner says most") << std::optional(Registration::unsupported) << Registration::taken
                                                    << false << "" << 1 << "another app owns it" << false;
        QTest::newRow("no portal, no X server") << none << Registration::unavailable << false << "" << 1
                                                << "global shortcuts are unavailable here" << false;
    }
    void chain()
    {
        QFETCH(std::optional<Registration>, portal);
        ShortcutFixture f(portal);
        QFETCH(bool, remembered);
        if (remembered)
            f.defaults.setBoolean(AskShortcut::portalBindsNothingSetting, true);
        QFETCH(Registration, grab);
        f.platform.hotkey->result = grab;
        f.platform.desktopShortcut->settings = false;
        QSignalSpy notices(&f.delegate.askShortcut(), &AskShortcut::notice);
        QSignalSpy settled(&f.delegate.askShortcut(), &AskShortcut::settled);
        f.delegate.applicationDidFinishLaunching();
        QTRY_COMPARE(settled.size(), 1);

        QTEST(int(f.platform.hotkey->asked.size()), "grabAsked");
        QCOMPARE(f.portal && !f.portal->asked.isEmpty(), portal && !(remembered && grab == Registration::registered));
        QFETCH(QString, holder);
        // One holder: a press must not reach Vesk twice.
        QCOMPARE(f.portal && f.portal->holding, holder == "portal");
        QCOMPARE(f.platform.hotkey->holding, holder == "grab");
        QCOMPARE(settled.at(0).at(0).toBool(), !holder.isEmpty());
        QFETCH(QString, reason);
        QCOMPARE(notices.size(), reason.isEmpty() ? 0 : 1);
        if (!reason.isEmpty())
            QVERIFY2(notices.at(0).at(0).toString().startsWith("Alt+Space does not open Vesk here: " + reason + "."),
                     qPrintable(notices.at(0).at(0).toString()));
        QTEST(f.defaults.boolean(AskShortcut::portalBindsNothingSetting).value_or(false), "remembers");
    }

    // A change of keys is registered at once and kept only when it worked; otherwise the keys
    // before come back.
    void apply_data()
    {
        QTest::addColumn<Registration>("outcome");
        QTest::addColumn<QStringList>("asked");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("line");
        QTest::newRow("registered") << Registration::registered << QStringList{"Alt+Space", "Ctrl+Alt+Space"}
                                    << "Ctrl+Alt+Space"
                                    << "Ctrl+Alt+Space opens Vesk now.";
        QTest::newRow("taken") << Registration::taken << QStringList{"Alt+Space", "Ctrl+Alt+Space", "Alt+Space"} << ""
                               << "Vesk could not register Ctrl+Alt+Space: another app owns it. Vesk keeps Alt+Space.";
    }
    void apply()
    {
        AppFixture f;
        f.delegate.applicationDidFinishLaunching();
        QFETCH(Registration, outcome);
        f.platform.hotkey->result = outcome;
        AskShortcut& shortcut = f.delegate.askShortcut();
        QSignalSpy applied(&shortcut, &AskShortcut::applied);
        shortcut.apply(*KeyChord::parse("Ctrl+Alt+Space"));
        QTRY_COMPARE(applied.size(), 1);
        QTEST(keysOf(f.platform.hotkey), "asked");
        QTEST(applied.at(0).at(2).toString(), "line");
        QCOMPARE(applied.at(0).at(1).toBool(), outcome == Registration::registered);
        QTEST(f.defaults.string(AskShortcut::keysSetting).value_or(QString()), "stored");
        // The menu shows the keys in force.
        const QString inForce = outcome == Registration::registered ? "Ctrl+Alt+Space" : "Alt+Space";
        QCOMPARE(shortcut.keys().text(), inForce);
        QCOMPARE(f.line(StatusMenu::Line::ask)->shortcut(),
                 QKeySequence(shortcut.keys().qtModifiers() | Qt::Key_Space));
    }

    // Keys stored by `vesk --shortcut` are the ones registered, shown and taught at the next start,
    // and at once in a running Vesk that is told of them; unreadable ones give Alt+Space.
    void storedKeys()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("defaults.json");
        Defaults(path).setString(AskShortcut::keysSetting, "Super+F12");
        ShortcutFixture f(std::nullopt, path);
        f.delegate.applicationDidFinishLaunching();
        QCOMPARE(keysOf(f.platform.hotkey), QStringList{"Super+F12"});
        QCOMPARE(f.line(StatusMenu::Line::ask)->shortcut(), QKeySequence(Qt::META | Qt::Key_F12));
        f.delegate.askWindow().showFirstRun();
        QStringList texts;
        for (QLabel* label : f.delegate.askWindow().resultColumn()->content()->findChildren<QLabel*>())
            texts << label->text();
        QVERIFY2(texts.join('\n').contains("Press Super+F12 from any app to return here."),
                 qPrintable(texts.join('\n')));

        Defaults(path).setString(AskShortcut::keysSetting, "Ctrl+Foo");
        f.delegate.activate({AppDelegate::shortcutAction, {}});
        QCOMPARE(keysOf(f.platform.hotkey), (QStringList{"Super+F12", "Alt+Space"}));
        QVERIFY(f.platform.hotkey->press());
    }

    // Keys the grab could not have are offered for the desktop's own settings once per keys, and
    // never when the desktop already uses them for something else.
    void desktopOffer_data()
    {
        QTest::addColumn<DesktopShortcut::Binding>("bound");
        QTest::addColumn<QList<int>>("offers"); // at the first and the second start
        QTest::newRow("free: asked once") << DesktopShortcut::Binding::free << QList<int>{1, 0};
        QTest::newRow("the desktop's own") << DesktopShortcut::Binding::taken << QList<int>{0, 0};
    }
    void desktopOffer()
    {
        QTemporaryDir dir;
        QFETCH(DesktopShortcut::Binding, bound);
        QFETCH(QList<int>, offers);
        for (const int offered : offers) {
            AppFixture f({}, dir.filePath("defaults.json"));
            f.platform.hotkey->result = Registration::taken;
            f.platform.desktopShortcut->bound = bound;
            f.alerts.answer(1);
            QSignalSpy notices(&f.delegate.askShortcut(), &AskShortcut::notice);
            f.delegate.applicationDidFinishLaunching();
            QTRY_COMPARE(notices.size(), 1);
            QCOMPARE(int(f.alerts.shown.size()), offered);
            QVERIFY(f.platform.desktopShortcut->added.isEmpty());
        }
    }
};

QTEST_MAIN(ShortcutTest)
#include "tst_Shortcut.moc"
