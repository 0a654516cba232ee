#include "AskPanel.h"
#include "AskWindow.h"
#include "DemoProcess.h"
#include "FrameView.h"
#include "InkButton.h"
#include "MergeCard.h"
#include "NeighbourhoodView.h"
#include "Row.h"
#include "ScrollColumn.h"
#include "ShotTour.h"

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

// The first source group of the page: the framed rows that open something (the way back is plain).
Row* sourceRow(QWidget* root)
{
    for (Row* row : root->findChildren<Row*>())
        if (row->isVisibleTo(root) && row->opens() && !row->isPlain())
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
        QTest::keyClicks(window.fieldWidget(), "harbor");
        QTest::keyClick(window.fieldWidget(), Qt::Key_Return, Qt::ShiftModifier);
        QWidget* column = window.resultColumn()->content();
        QTRY_VERIFY_WITH_TIMEOUT(rowWith(window.resultColumn()->content(), "Harbor"), 10000);
        QTest::mouseClick(rowWith(window.resultColumn()->content(), "Harbor"), Qt::LeftButton, {}, QPoint(10, 10));
        column = window.resultColumn()->content();
        QTRY_VERIFY_WITH_TIMEOUT(column->findChild<NeighbourhoodView*>(), 10000);
        QVERIFY(rowWith(column, "‹  back to results"));

        NeighbourhoodView* graph = column->findChild<NeighbourhoodView*>();
        const QList<InkButton*> chips = graph->findChildren<InkButton*>();
        QVERIFY(!chips.isEmpty());
        const QString neighbour = chips[0]->toolTip().isEmpty() ? chips[0]->text().trimmed() : chips[0]->toolTip();
        QTest::mouseClick(chips[0], Qt::LeftButton);
        column = window.resultColumn()->content();
        QVERIFY(vesk::test::ShotTour::shows(column, neighbour));
        QTRY_VERIFY_WITH_TIMEOUT(sourceRow(column), 10000);
        QTest::mouseClick(sourceRow(column), Qt::LeftButton, {}, QPoint(10, 10));

        FrameView* frame = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT(
            (frame = window.inspectorColumn()->content()->findChild<FrameView*>()) && frame->image(), 10000);
        QVERIFY2(!frame->highlights().isEmpty(), qPrintable("no line of the frame names " + neighbour));

        // The marked line as the screen shows it, against the screenshot's own pixel underneath.
        const QPointF inFrame = frame->area(frame->highlights().first()).center();
        const QImage& pixels = *frame->image();
        const QRectF picture = frame->picture();
        const QColor underneath
            = pixels.pixelColor(int((inFrame.x() - picture.x()) / picture.width() * pixels.width()),
                                int((inFrame.y() - picture.y()) / picture.height() * pixels.height()));
        const QPoint onScreen = frame->mapToGlobal(inFrame.toPoint());
        QImage shot;
        QTRY_VERIFY_WITH_TIMEOUT((shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage(),
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
        QTest::keyClick(window.fieldWidget(), Qt::Key_K, Qt::ControlModifier);
        QWidget* column = window.resultColumn()->content();
        MergeCard* card = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((card = column->findChild<MergeCard*>()) != nullptr, 10000);
        const qint64 proposal = card->pair().id;
        QTest::mouseClick(card->findChildren<InkButton*>().first(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(vesk::test::ShotTour::shows(column, "merged"), 10000);

        const auto reply = call(client, [](DaemonClient& c, Completion done) {
            c.proposals(500, QCoreApplication::instance(), std::move(done));
        });
        QVERIFY(reply && *reply);
        for (const QJsonObject& p : Json::objects(**reply, u"proposals").value_or(QList<QJsonObject>()))
            QVERIFY(Json::integer(p, u"id") != proposal);
    }
};

QTEST_MAIN(EntityDemoTest)
#include "tst_EntityDemo.moc"
