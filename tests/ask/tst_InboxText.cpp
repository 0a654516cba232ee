#include "InboxText.h"

#include <QJsonDocument>
#include <QTest>

using namespace vesk;

class InboxTextTest : public QObject {
    Q_OBJECT
private slots:
    // A proposal or a node that cannot make a card or a row is left out; the others stay.
    void mixedArrays()
    {
        const auto reply = [](const char* json) { return QJsonDocument::fromJson(json).object(); };
        QCOMPARE(InboxText::proposals(
                     reply(R"({"proposals":[{"id":1},3,{"id":2,"a_id":1,"b_id":2,"a_label":"a","b_label":"b"}]})"))
                     .size(),
                 1);
        QVERIFY(!InboxText::recognised(reply(R"({"nodes":[{"node_type":"person"},null]})"), {}).any);
    }
};

QTEST_GUILESS_MAIN(InboxTextTest)
#include "tst_InboxText.moc"
