#include "AccessibleTree.h"
#include "EntityFixture.h"

#include <QStandardPaths>

using namespace vesk;
using namespace vesk::test;

class AccessibilityTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // The inbox, an entity page opened from it by a screen reader, and an answer with a claim's
    // correction unfolded: every object the keyboard reaches is found and named, and text cut short
    // on screen is read whole.
    void panelReadsWhole()
    {
        EntityFixture f;
        const QString longName = "Harbor release coordination working group";
        const QJsonObject proposals = json(R"({"kind":"proposals",
            "proposals":[{"id":4,"a_id":2,"a_label":"Lena","b_id":9,"b_label":"lena b"}]})");
        f.daemon.reply("proposals", proposals);
        f.daemon.reply("top", json(R"({"nodes":[{"label":"Lena","node_id":2,"node_type":"person"}]})"));
        f.window.showInbox();
        QTRY_VERIFY(f.button("Keep them separate") && f.rowWith("Lena"));
        QStringList found = accessibilityFaults(f.panel());

        f.daemon.reply("relations", relationsReply({edge(5, "Harbor", "works with"), edge(3, longName, "runs")}));
        f.daemon.reply("why",
                       json(R"({"kind":"why","sources":[{"app_name":"Code","document_url":"a.rs","frame_id":5}]})"));
        f.daemon.reply("proposals", proposals);
        QAccessibleActionInterface* row = accessible(f.rowWith("Lena"))->actionInterface();
        row->doAction(row->actionNames().value(0)); // pressing comes first
        QTRY_VERIFY(f.chips().size() == 2 && f.button("Keep them separate") && f.rowWith("a.rs"));
        found << accessibilityFaults(f.panel());
        QAccessibleInterface* chip = accessible(f.chips()[1]); // its name is cut short on screen
        QCOMPARE(chip->text(QAccessible::Name) + " / " + chip->text(QAccessible::Description), longName + " / Person");
        QCOMPARE(accessible(f.rowWith("‹  back to the inbox"))->role(), QAccessible::Button);
        // A relation's row is entered for its "This is wrong".
        QAccessibleInterface* relation = accessible(f.rowWith("works with Harbor"));
        QCOMPARE(relation->role(), QAccessible::Grouping);
        QCOMPARE(relation->text(QAccessible::Name), "works with Harbor");

        f.unfoldedAnswer(json(R"({"kind":"answer","answer":"You were fixing it.",
          "claims":[{"text":"the timeout was 30 s","frame_ids":[3]}],
          "evidence":[{"frame_id":3,"app_name":"Code","document_url":"src/lane.cpp"},{"frame_id":0}]})"));
        QTest::mouseClick(f.button("Where is this wrong?"), Qt::LeftButton); // a claim's choices, unfolded
        QVERIFY(f.button("The source does not support it"));
        found << accessibilityFaults(f.panel());
        // A row that opens nothing reads as its text: the first line names it, the others describe it.
        QAccessibleInterface* plain = accessible(f.rowWith("Agent conversation"));
        QCOMPARE(plain->role(), QAccessible::StaticText);
        QCOMPARE(plain->text(QAccessible::Name) + " / " + plain->text(QAccessible::Description),
                 "Agent conversation / Conversation context unavailable · agent conversation · directly cited");
        // The ask field is named by the panel, not by a shared piece: it is reported on its own, last.
        const bool fieldNameless = found.removeAll("no name: " + described(accessible(f.field()))) > 0;
        QVERIFY2(found.isEmpty(), qPrintable(found.join("\n  ")));
        QVERIFY2(!fieldNameless, "the ask field is the one object the keyboard reaches that has no name");
    }
};

QTEST_MAIN(AccessibilityTest)
#include "tst_Accessibility.moc"
