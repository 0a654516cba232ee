#include "AskWindow.h"
#include "DemoProcess.h"
#include "FrameView.h"
#include "InkButton.h"
#include "NeighbourhoodView.h"
#include "Row.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QStandardPaths>

using namespace vesk;

namespace {

Row* rowWith(QWidget* root, const QString& text)
{
    for (Row* row : root->findChildren<Row*>())
        if (row->isVisibleTo(root))
            for (QLabel* label : row->findChildren<QLabel*>())
                if (label->text() == text)
                    return row;
    return nullptr;
}

// The first source group of the page: the rows that open something, other than the way back.
Row* sourceRow(QWidget* root)
{
    for (Row* row : root->findChildren<Row*>())
        if (row->isVisibleTo(root) && row->opens() && row->objectName() != QLatin1String("backRow"))
            return row;
    return nullptr;
}

// How much more amber (red over blue) the screen shows than the bare screenshot at the same place.
int amberGain(const QColor& onScreen, const QColor& underneath)
{
    return (onScreen.red() - onScreen.blue()) - (underneath.red() - underneath.blue());
}

} // namespace

class EntityDemoTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void searchToAMarkedScreenshot()
    {
        DemoProcess demo;
        QVERIFY(demo.ready());
        DaemonClient client(demo.socketPath);
        AskWindow window(client);
        window.show();
        window.field->setText("harbor");
        window.search("harbor");
        QTRY_VERIFY_WITH_TIMEOUT(rowWith(window.stackView, "Harbor"), 10000);
        QTest::mouseClick(rowWith(window.stackView, "Harbor"), Qt::LeftButton, {}, QPoint(10, 10));
        QTRY_VERIFY_WITH_TIMEOUT(window.stackView->findChild<NeighbourhoodView*>(), 10000);
        QVERIFY(rowWith(window.stackView, "‹  back to results"));

        NeighbourhoodView* graph = window.stackView->findChild<NeighbourhoodView*>();
        QVERIFY(!graph->chips.isEmpty());
        const QString neighbour = graph->shown[0].label;
        QTest::mouseClick(graph->chips[0], Qt::LeftButton);
        QCOMPARE(window.screen.origin.label, neighbour);
        QTRY_VERIFY_WITH_TIMEOUT(sourceRow(window.stackView), 10000);
        QTest::mouseClick(sourceRow(window.stackView), Qt::LeftButton, {}, QPoint(10, 10));

        FrameView* frame = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((frame = window.inspector->findChild<FrameView*>()) && frame->image, 10000);
        QVERIFY2(!frame->highlights.isEmpty(), qPrintable("no line of the frame names " + neighbour));

        // The marked line as the screen shows it, against the screenshot's own pixel underneath.
        const QPointF inFrame = frame->area(frame->highlights.first()).center();
        const QImage& pixels = *frame->image;
        const QColor underneath = pixels.pixelColor(int(inFrame.x() / frame->width() * pixels.width()),
                                                    int(inFrame.y() / frame->height() * pixels.height()));
        const QPoint onScreen = frame->mapToGlobal(inFrame.toPoint());
        QImage shot;
        QTRY_VERIFY_WITH_TIMEOUT(
            (shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage(),
             amberGain(shot.pixelColor(onScreen), underneath) > 12),
            10000);
        if (const QByteArray dir = qgetenv("VESK_E2E_SHOTS"); !dir.isEmpty())
            shot.save(QString::fromLocal8Bit(dir) + "/entity-frame.png");
    }

    void inboxMergeLeavesTheQueue()
    {
        DemoProcess demo;
        QVERIFY(demo.ready());
        DaemonClient client(demo.socketPath);
        AskWindow window(client);
        window.show();
        window.openInbox();
        InkButton* use = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                for (InkButton* b : window.stackView->findChildren<InkButton*>())
                    if (b->isVisibleTo(window.stackView) && b->text().trimmed() == "Use this name")
                        return (use = b) != nullptr;
                return false;
            }(),
            10000);
        const qint64 proposal = use->property("proposal").toLongLong();
        QTest::mouseClick(use, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                for (QLabel* l : window.stackView->findChildren<QLabel*>())
                    if (l->isVisibleTo(window.stackView) && l->text() == "merged")
                        return true;
                return false;
            }(),
            10000);

        const auto reply = call(client, [](DaemonClient& c, Completion done) { c.proposals(500, std::move(done)); });
        QVERIFY(reply && *reply);
        for (const QJsonObject& p : Json::objects(**reply, u"proposals").value_or(QList<QJsonObject>()))
            QVERIFY(Json::integer(p, u"id") != proposal);
    }
};

QTEST_MAIN(EntityDemoTest)
#include "tst_EntityDemo.moc"
