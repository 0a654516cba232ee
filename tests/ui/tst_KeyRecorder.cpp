#include "KeyRecorder.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

using namespace vesk;

struct Press {
    int key;
    Qt::KeyboardModifiers modifiers;
};
Q_DECLARE_METATYPE(QList<Press>)

// The recorder as a user drives it: pressed, it takes the next keys it can use; Escape or leaving
// it keeps the keys it had.
class KeyRecorderTest : public QObject {
    Q_OBJECT
private slots:
    void recording_data()
    {
        QTest::addColumn<QList<Press>>("presses");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("recorded"); // how many times
        QTest::addColumn<int>("cancelled");
        const Qt::KeyboardModifiers ctrlAlt = Qt::ControlModifier | Qt::AltModifier;
        QTest::newRow("new keys") << QList<Press>{{Qt::Key_Control, Qt::ControlModifier}, {Qt::Key_Space, ctrlAlt}}
                                  << "Ctrl+Alt+Space" << 1 << 0;
        QTest::newRow("modifiers held show") << QList<Press>{{Qt::Key_Alt, ctrlAlt}} << "Ctrl+Alt+…" << 0 << 0;
        QTest::newRow("a key that types asks for a modifier")
            << QList<Press>{{Qt::Key_K, Qt::ShiftModifier}} << "Add Ctrl, Alt or Super to that key" << 0 << 0;
        QTest::newRow("Tab is a key like the others")
            << QList<Press>{{Qt::Key_Tab, Qt::MetaModifier}} << "Super+Tab" << 1 << 0;
        QTest::newRow("Escape keeps the keys")
            << QList<Press>{{Qt::Key_A, {}}, {Qt::Key_Escape, {}}} << "Alt+Space" << 0 << 1;
    }
    void recording()
    {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* recorder = new KeyRecorder(KeyChord::standard());
        auto* other = new QLineEdit;
        layout->addWidget(recorder);
        layout->addWidget(other);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QSignalSpy recorded(recorder, &KeyRecorder::recorded);
        QSignalSpy cancelled(recorder, &KeyRecorder::cancelled);

        QCOMPARE(recorder->accessibleName(), "Shortcut keys: Alt+Space. Press to change");
        recorder->setFocus();
        QTest::keyClick(recorder, Qt::Key_Space); // pressed from the keyboard
        QVERIFY(recorder->isRecording());
        QCOMPARE(recorder->text(), "Press the new keys…");
        QVERIFY(recorder->accessibleName().contains("Escape to cancel"));
        QFETCH(QList<Press>, presses);
        for (const Press& p : presses)
            QTest::keyPress(recorder, Qt::Key(p.key), p.modifiers);
        QTEST(recorder->text(), "shown");
        QTEST(int(recorded.size()), "recorded");
        QTEST(int(cancelled.size()), "cancelled");
        QVERIFY(recorder->hasFocus()); // Tab did not move on while recording
        if (!recorded.isEmpty())
            QCOMPARE(recorded.at(0).at(0).value<KeyChord>(), recorder->keys());
        QCOMPARE(recorder->isRecording(), recorded.isEmpty() && cancelled.isEmpty());

        // Leaving it cancels a recording, which then takes no keys from elsewhere.
        const qsizetype before = cancelled.size();
        QTest::mouseClick(recorder, Qt::LeftButton);
        QVERIFY(recorder->isRecording());
        other->setFocus();
        QVERIFY(!recorder->isRecording());
        QCOMPARE(cancelled.size(), before + 1);
        QTest::keyClick(other, Qt::Key_F5, Qt::ControlModifier);
        QCOMPARE(recorder->text(), recorder->keys().text());
    }
};

QTEST_MAIN(KeyRecorderTest)
#include "tst_KeyRecorder.moc"
