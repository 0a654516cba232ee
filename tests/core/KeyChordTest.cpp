#include "KeyChord.h"

#include <QTest>

using namespace vesk;

Q_DECLARE_METATYPE(std::optional<KeyChord>)

// The keys a user writes, and every spelling the parties that bind them read.
class KeyChordTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void spellings_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("portal");
        QTest::addColumn<QString>("gnome");
        QTest::addColumn<QString>("xfce");
        QTest::addColumn<uint>("keysym");
        QTest::newRow("the default") << "Alt+Space"
                                     << "Alt+Space"
                                     << "ALT+space"
                                     << "<Alt>space"
                                     << "<Alt>space" << 0x20u;
        QTest::newRow("any case and spacing, modifiers in their order") << " alt + ctrl + space "
                                                                        << "Ctrl+Alt+Space"
                                                                        << "CTRL+ALT+space"
                                                                        << "<Control><Alt>space"
                                                                        << "<Primary><Alt>space" << 0x20u;
        QTest::newRow("an accelerator") << "<Primary><Alt>space"
                                        << "Ctrl+Alt+Space"
                                        << "CTRL+ALT+space"
                                        << "<Control><Alt>space"
                                        << "<Primary><Alt>space" << 0x20u;
        QTest::newRow("Super and a letter") << "Meta+Shift+k"
                                            << "Shift+Super+K"
                                            << "SHIFT+LOGO+k"
                                            << "<Shift><Super>k"
                                            << "<Shift><Super>k" << 0x6bu;
        QTest::newRow("a function key alone") << "f12"
                                              << "F12"
                                              << "F12"
                                              << "F12"
                                              << "F12" << 0xffc9u;
        QTest::newRow("an alias") << "Ctrl+PageDown"
                                  << "Ctrl+PgDown"
                                  << "CTRL+Next"
                                  << "<Control>Next"
                                  << "<Primary>Next" << 0xff56u;
        QTest::newRow("punctuation") << "Super+/"
                                     << "Super+/"
                                     << "LOGO+slash"
                                     << "<Super>slash"
                                     << "<Super>slash" << 0x2fu;
    }
    void spellings()
    {
        QFETCH(QString, written);
        const auto keys = KeyChord::parse(written);
        QVERIFY(keys);
        QTEST(keys->text(), "text");
        QTEST(keys->portalTrigger(), "portal");
        QTEST(keys->accelerator(), "gnome");
        QTEST(keys->accelerator(true), "xfce");
        QTEST(uint(keys->keysym()), "keysym");
        // What it writes, it reads back.
        QCOMPARE(KeyChord::parse(keys->text()), keys);
        QCOMPARE(KeyChord::parse(keys->accelerator(true)), keys);
    }

    void refused_data()
    {
        QTest::addColumn<QString>("written");
        QTest::newRow("a key that types, alone") << "Space";
        QTest::newRow("Shift does not make a command") << "Shift+A";
        QTest::newRow("a repeated modifier") << "Ctrl+Ctrl+Space";
        QTest::newRow("an unknown modifier") << "Hyper+Space";
        QTest::newRow("an unknown key") << "Ctrl+Foo";
        QTest::newRow("modifiers without a key") << "Ctrl+Alt+";
        QTest::newRow("an unclosed accelerator") << "<Alt space";
        QTest::newRow("nothing") << "";
    }
    void refused()
    {
        QFETCH(QString, written);
        QCOMPARE(KeyChord::parse(written), std::nullopt);
    }

    void fromKeyEvents_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<std::optional<KeyChord>>("keys");
        QTest::newRow("Ctrl+Alt+Space") << int(Qt::Key_Space) << (Qt::ControlModifier | Qt::AltModifier)
                                        << KeyChord::parse("Ctrl+Alt+Space");
        QTest::newRow("Shift+Tab arrives as Backtab")
            << int(Qt::Key_Backtab) << (Qt::ShiftModifier | Qt::MetaModifier) << KeyChord::parse("Shift+Super+Tab");
        QTest::newRow("a modifier alone")
            << int(Qt::Key_Control) << Qt::KeyboardModifiers(Qt::ControlModifier) << std::optional<KeyChord>();
        QTest::newRow("a letter alone") << int(Qt::Key_A) << Qt::KeyboardModifiers() << std::optional<KeyChord>();
    }
    void fromKeyEvents()
    {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(std::optional<KeyChord>, keys);
        QCOMPARE(KeyChord::fromQt(key, modifiers), keys);
        if (keys) {
            QCOMPARE(keys->qtModifiers(), modifiers);
            QCOMPARE(keys->qtKey(), key == Qt::Key_Backtab ? int(Qt::Key_Tab) : key);
        }
    }
};

QTEST_GUILESS_MAIN(KeyChordTest)
#include "KeyChordTest.moc"
