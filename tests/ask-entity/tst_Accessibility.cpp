#include "EntityFixture.h"

#include <QAccessible>
#include <QMetaEnum>
#include <QStandardPaths>

using namespace vesk;
using namespace vesk::test;

namespace {

QAccessibleInterface* read(QObject* object)
{
    return QAccessible::queryAccessibleInterface(object);
}

// Which object it is: its role, its class and the texts it holds.
QString described(QAccessibleInterface* item)
{
    QStringList shown;
    for (const QLabel* label : item->object()->findChildren<QLabel*>())
        shown << label->text();
    return QMetaEnum::fromType<QAccessible::Role>().valueToKey(item->role()) + QStringLiteral(" ")
        + item->object()->metaObject()->className() + " [" + shown.join(" | ") + "]";
}

// What a screen reader walking the panel finds wrong: an object the keyboard reaches that has no
// name or reads as plain text, a name padded for drawing, a control the walk never comes to.
QStringList faults(QWidget* panel)
{
    QStringList out;
    QSet<QObject*> seen;
    const std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* item) {
        seen.insert(item->object());
        const bool reachable = item->state().focusable && !item->state().invisible;
        const QString name = item->text(QAccessible::Name);
        if (reachable && name.isEmpty())
            out << "no name: " + described(item);
        if (name != name.simplified())
            out << "padded \"" + name + "\": " + described(item);
        if (reachable && item->role() == QAccessible::StaticText)
            out << "reachable but read as text: " + described(item);
        for (int i = 0; i < item->childCount(); ++i)
            walk(item->child(i));
    };
    walk(read(panel));
    for (QWidget* w : panel->findChildren<QWidget*>())
        if (w->focusPolicy() != Qt::NoFocus && w->isVisible() && !seen.contains(w))
            out << "never reached: " + described(read(w));
    return out;
}

} // namespace

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
        QStringList found = faults(f.panel());

        f.daemon.reply("relations", relationsReply({edge(5, "Harbor", "works with"), edge(3, longName, "runs")}));
        f.daemon.reply("why",
                       json(R"({"kind":"why","sources":[{"app_name":"Code","document_url":"a.rs","frame_id":5}]})"));
        f.daemon.reply("proposals", proposals);
        QAccessibleActionInterface* row = read(f.rowWith("Lena"))->actionInterface();
        row->doAction(row->actionNames().value(0)); // pressing comes first
        QTRY_VERIFY(f.chips().size() == 2 && f.button("Keep them separate") && f.rowWith("a.rs"));
        found << faults(f.panel());
        QAccessibleInterface* chip = read(f.chips()[1]); // its name is cut short on screen
        QCOMPARE(chip->text(QAccessible::Name) + " / " + chip->text(QAccessible::Description), longName + " / person");
        QCOMPARE(read(f.rowWith("‹  back to the inbox"))->role(), QAccessible::Button);
        // A relation's row is entered for its "This is wrong".
        QAccessibleInterface* relation = read(f.rowWith("works with Harbor"));
        QCOMPARE(relation->role(), QAccessible::Grouping);
        QCOMPARE(relation->text(QAccessible::Name), "works with Harbor");

        f.unfoldedAnswer(json(R"({"kind":"answer","answer":"You were fixing it.",
          "claims":[{"text":"the timeout was 30 s","frame_ids":[3]}],
          "evidence":[{"frame_id":3,"app_name":"Code","document_url":"src/lane.cpp"},{"frame_id":0}]})"));
        QTest::mouseClick(f.button("Where is this wrong?"), Qt::LeftButton); // a claim's choices, unfolded
        QVERIFY(f.button("The source does not support it"));
        found << faults(f.panel());
        // The ask field is named by the panel, not by a shared piece: it is reported on its own, last.
        const bool fieldNameless = found.removeAll("no name: " + described(read(f.field()))) > 0;
        QVERIFY2(found.isEmpty(), qPrintable(found.join("\n  ")));
        QVERIFY2(!fieldNameless, "the ask field is the one object the keyboard reaches that has no name");
    }
};

QTEST_MAIN(AccessibilityTest)
#include "tst_Accessibility.moc"
