#include "EntityFixture.h"

#include <QImage>
#include <QStandardPaths>

using namespace vesk;
using namespace vesk::test;

namespace {

QJsonObject line(double y, const QString& text)
{
    return QJsonObject{{"x", 0.1}, {"y", y}, {"w", 0.5}, {"h", 0.05}, {"text", text}};
}

} // namespace

class FrameViewerTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // The lines marked are those naming what led here: the whole label, or a file name of 4+ characters.
    void highlightChoice_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QList<int>>("marked"); // indexes into lines
        QTest::addColumn<QString>("status");
        const QStringList readme{"Opened README.TXT in the editor", "/src/app/Readme.txt", "src/app/main.cpp",
                                 "readme.md"};
        QTest::newRow("path by its file name") << "/src/app/Readme.txt" << readme << QList<int>{0, 1}
                                               << "2 matching lines marked";
        QTest::newRow("short file name needs the whole path")
            << "/src/app/abc" << QStringList{"abc is here", "cd /src/app/abc", "xabcx"} << QList<int>{1}
            << "1 matching line marked";
        QTest::newRow("no match") << "Harbor" << QStringList{"nothing", "here"} << QList<int>{}
                                  << "nothing on this frame matched by text";
        QTest::newRow("trailing slash") << "docs/release/" << QStringList{"RELEASE notes", "docs"} << QList<int>{0}
                                        << "1 matching line marked";
    }
    void highlightChoice()
    {
        QFETCH(QString, label);
        QFETCH(QStringList, lines);
        QFETCH(QList<int>, marked);
        QFETCH(QString, status);
        EntityFixture f;
        QJsonArray reply;
        for (int i = 0; i < lines.size(); ++i)
            reply.append(line(0.1 * i, lines[i]));
        reply.append(QJsonObject{{"x", 0.1}, {"y", "0.5"}, {"w", 0.5}, {"h", 0.1}, {"text", label}}); // y not a number
        const qint64 expires = QDateTime(QDate(2026, 4, 1), QTime(12, 0), Qt::UTC).toMSecsSinceEpoch();
        f.daemon.reply("frame", QJsonObject{{"kind", "frame"}, {"lines", reply}, {"expires_at_ms", expires}});
        f.window.openFrame(5, Origin{0, label, "evidence", 1});
        QTRY_VERIFY(f.frame());
        QList<QRectF> expected;
        for (int i : marked)
            expected << QRectF(0.1, 0.1 * i, 0.5, 0.05);
        QCOMPARE(f.frame()->highlights, expected);
        QVERIFY(f.inspectorTexts().contains(status + "   ·   pixels kept until April 1"));
    }

    void evidenceRowOpensItsFrame()
    {
        EntityFixture f;
        const qint64 at = QDateTime(QDate(2026, 3, 1), QTime(8, 4, 5), Qt::UTC).toMSecsSinceEpoch();
        QTemporaryDir dir;
        QImage image(400, 200, QImage::Format_RGB32);
        image.fill(Qt::white);
        const QString path = dir.filePath("frame.png");
        QVERIFY(image.save(path));
        f.daemon.reply("ask", QJsonObject{{"answer", "From the readme."},
                                          {"evidence", QJsonArray{QJsonObject{{"frame_id", 12}, {"app_name", "Code"},
                                                                              {"document_url", "file:///src/app/Readme.txt"}}}}});
        f.daemon.reply("frame", QJsonObject{{"kind", "frame"}, {"app_name", "Code"}, {"window_title", "Readme.txt — app"},
                                            {"captured_at_ms", at}, {"image_path", path}, {"app_bundle_id", "code"},
                                            {"redaction_reason", "excluded app"},
                                            {"lines", QJsonArray{line(0.2, "README.txt"), line(0.4, "other")}}});
        f.askByKeyboard("where is the readme?");
        QTRY_VERIFY(f.button("Details & corrections"));
        QTest::mouseClick(f.button("Details & corrections"), Qt::LeftButton);
        QTRY_VERIFY(f.rowWith("/src/app/Readme.txt"));
        QTest::mouseClick(f.rowWith("/src/app/Readme.txt"), Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(f.window.inspector->maximumWidth(), AskWindow::panelW);
        QCOMPARE(f.window.hint->text(), "esc back to /src/app/Readme.txt");
        QTRY_VERIFY(f.frame());
        QCOMPARE(f.sent("frame").last().value("frame_id").toInteger(), 12);
        QCOMPARE(f.inspectorTexts(),
                 (QStringList{"Code", "Readme.txt — app", "captured March 1, 08:04:05",
                              "1 matching line marked   ·   pixels gone — excluded app",
                              "No next, no previous — a frame is reachable only through a citation, and esc goes back "
                              "to it."}));
        // The picture keeps the screenshot's proportions at the inspector's width.
        QCOMPARE(f.frame()->size(), QSize(232, 116));
        QVERIFY(f.frame()->image);
        // Stopping capture is not offered until it can be carried out.
        QVERIFY(f.window.inspector->findChildren<InkButton*>().isEmpty());

        // The marked line is drawn over the picture.
        const QImage shot = f.frame()->grab().toImage();
        const QRectF box = f.frame()->area(QRectF(0.1, 0.2, 0.5, 0.05));
        QVERIFY(shot.pixelColor(box.center().toPoint()) != QColor(Qt::white));
        QCOMPARE(shot.pixelColor(QPoint(116, 90)), QColor(Qt::white));

        QTest::keyClick(f.window.field, Qt::Key_Escape);
        QVERIFY(!f.window.inspecting);
        QCOMPARE(f.window.inspector->maximumWidth(), 0);
        QVERIFY(f.texts().contains("From the readme."));
    }

    // What the inspector says when there is no picture to show.
    void withoutPixels_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<bool>("picture");
        QTest::newRow("refused") << QByteArray(R"({"kind":"error"})") << QStringList{"Vesk is not running."} << false;
        QTest::newRow("message") << QByteArray(R"({"kind":"frame","app_name":"Code","message":"This frame is gone."})")
                                 << QStringList{"This frame is gone."} << false;
        QTest::newRow("unreadable image")
            << QJsonDocument(QJsonObject{{"kind", "frame"}, {"document_url", "https://x.test/a"},
                                         {"image_path", "/nonexistent/f.png"}})
                   .toJson()
            << QStringList{"unknown app", "https://x.test/a", "captured January 1, 00:00:00",
                           "nothing on this frame matched by text   ·   pixels kept until January 1",
                           "No next, no previous — a frame is reachable only through a citation, and esc goes back to "
                           "it."}
            << true;
    }
    void withoutPixels()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QStringList, texts);
        QFETCH(bool, picture);
        EntityFixture f;
        f.daemon.reply("frame", json(reply.constData()));
        f.window.openFrame(3, Origin{0, "Harbor", "evidence", 1});
        QCOMPARE(f.inspectorTexts(), QStringList{"opening the frame…"});
        QTRY_COMPARE(f.inspectorTexts(), texts);
        QCOMPARE(bool(f.frame()), picture);
        if (picture) {
            QVERIFY(!f.frame()->image);
            QCOMPARE(f.frame()->size(), QSize(232, 145));
        }
    }
};

QTEST_MAIN(FrameViewerTest)
#include "tst_FrameViewer.moc"
