#include "EntityFixture.h"

#include "FramePane.h"
#include "FrameWindow.h"

#include <QImage>
#include <QStandardPaths>
#include <sys/stat.h>

using namespace vesk;
using namespace vesk::test;

namespace {

QJsonObject line(double y, const QString& text)
{
    return QJsonObject{{"x", 0.1}, {"y", y}, {"w", 0.5}, {"h", 0.05}, {"text", text}};
}

// Opens frame 12 from the evidence row of an answer whose detail is `label`.
void openFromEvidence(EntityFixture& f, const QJsonObject& frame, const QString& label = "/src/app/Readme.txt")
{
    f.daemon.reply("frame", frame);
    f.unfoldedAnswer(QJsonObject{{"answer", "From the readme."},
                                 {"evidence",
                                  QJsonArray{QJsonObject{
                                      {"frame_id", 12}, {"app_name", "Code"}, {"document_url", "file://" + label}}}}},
                     "where is the readme?");
    click(f.rowWith(label));
}

// Clicks the inspector's picture (or presses `key` on it) and returns the full-size window it
// opened, if one shows.
FrameWindow* openFullSize(EntityFixture& f, int key = 0)
{
    if (key)
        QTest::keyClick(f.frame(), Qt::Key(key));
    else
        QTest::mouseClick(f.frame(), Qt::LeftButton);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* viewer = qobject_cast<FrameWindow*>(w); viewer && viewer->isVisible())
            return viewer;
    return nullptr;
}

QString writeImage(const QTemporaryDir& dir, const QSize& size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    const QString path = dir.filePath("frame.png");
    return image.save(path) ? path : QString();
}

} // namespace

class FrameViewerTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void evidenceRowOpensItsFrame()
    {
        EntityFixture f;
        const qint64 at = QDateTime(QDate(2026, 3, 1), QTime(8, 4, 5), Qt::UTC).toMSecsSinceEpoch();
        QTemporaryDir dir;
        const QString path = writeImage(dir, QSize(400, 200));
        const int narrow = f.panel()->width();
        openFromEvidence(f,
                         QJsonObject{{"kind", "frame"},
                                     {"app_name", "Code"},
                                     {"window_title", "Readme.txt — app"},
                                     {"captured_at_ms", at},
                                     {"image_path", path},
                                     {"app_bundle_id", "code"},
                                     {"redaction_reason", "excluded app"},
                                     {"lines", QJsonArray{line(0.2, "README.txt"), line(0.4, "other")}}});
        QVERIFY(f.panel()->width() > narrow);
        QVERIFY(f.window.inspectorColumn()->isVisibleTo(f.panel()));
        QCOMPARE(f.hint(), "esc back to /src/app/Readme.txt");
        QTRY_VERIFY(f.frame() && f.frame()->loaded());
        QCOMPARE(f.sent("frame", 1).last().value("frame_id").toInteger(), 12);
        QCOMPARE(f.inspectorTexts(),
                 (QStringList{"Code", "Readme.txt — app", "captured March 1, 08:04:05",
                              "1 matching line marked   ·   pixels gone — excluded app",
                              "No next, no previous — a frame is reachable only through a citation, and esc goes back "
                              "to it."}));
        // The picture keeps the screenshot's proportions at the inspector's width.
        QTRY_COMPARE(f.frame()->height(), f.frame()->width() / 2);
        QVERIFY(f.frame()->image());

        // The marked line is drawn over the picture.
        const QImage shot = f.frame()->grab().toImage();
        const QRectF box = f.frame()->area(QRectF(0.1, 0.2, 0.5, 0.05));
        QVERIFY(shot.pixelColor(box.center().toPoint()) != QColor(Qt::white));
        QCOMPARE(shot.pixelColor(QPoint(f.frame()->width() / 2, f.frame()->height() * 3 / 4)), QColor(Qt::white));

        // A click on the picture opens it full size in a window of its own, with the same marks.
        FrameWindow* viewer = openFullSize(f);
        QVERIFY(viewer);
        QCOMPARE(viewer->windowTitle(), "Code");
        auto* large = viewer->findChild<FrameView*>();
        QTRY_VERIFY(large->loaded());
        QCOMPARE(large->highlights(), f.frame()->highlights());
        QVERIFY(large->image()->width() > f.frame()->image()->width());

        QTest::keyClick(f.field(), Qt::Key_Escape);
        QVERIFY(!f.window.inspectorColumn()->isVisibleTo(f.panel()));
        QCOMPARE(f.hint(), "Ctrl+Shift+C copy for agent · return to ask · esc to close");
        QVERIFY(f.texts().contains("From the readme."));
    }

    // Return or Space on the inspector's picture opens it full size, another key does not; the
    // full-size window closes on Escape and on Ctrl+W. Evidence that quotes a line of the frame
    // marks it too, counted with the lines that name the file.
    void fullSizeWindowKeysAndQuotedLines_data()
    {
        QTest::addColumn<int>("opener");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Return, then Escape") << int(Qt::Key_Return) << int(Qt::Key_Escape) << int(Qt::NoModifier);
        QTest::newRow("Space, then Ctrl+W") << int(Qt::Key_Space) << int(Qt::Key_W) << int(Qt::ControlModifier);
    }
    void fullSizeWindowKeysAndQuotedLines()
    {
        QFETCH(int, opener);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        EntityFixture f;
        QTemporaryDir dir;
        openFromEvidence(f,
                         QJsonObject{{"kind", "frame"},
                                     {"image_path", writeImage(dir, QSize(400, 200))},
                                     {"lines",
                                      QJsonArray{line(0.2, "README.txt"), line(0.4, " src/app "), line(0.6, "app"),
                                                 line(0.8, "src/main")}}});
        QTRY_VERIFY(f.frame() && f.frame()->loaded());
        QCOMPARE(f.frame()->highlights().size(), 2);
        QVERIFY(f.inspectorTexts().contains("2 matching lines marked   ·   pixels kept until January 1"));
        QVERIFY(!openFullSize(f, Qt::Key_A));
        FrameWindow* viewer = openFullSize(f, opener);
        QVERIFY(viewer);
        QTest::keyClick(viewer, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QVERIFY(!viewer->isVisible());
    }

    // What the inspector says when there is no picture to show, and what it never waits on.
    void withoutPixels_data()
    {
        QTest::addColumn<QString>("reply"); // "fifo": an image path that is a named pipe
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<bool>("picture");
        const QStringList unreadable{"unknown app", "https://x.test/a", "captured January 1, 00:00:00",
                                     "nothing on this frame matched by text   ·   pixels kept until January 1",
                                     "No next, no previous — a frame is reachable only through a citation, and esc "
                                     "goes back to it."};
        QTest::newRow("refused") << R"({"kind":"error"})" << QStringList{"Vesk is not running."} << false;
        QTest::newRow("message") << R"({"kind":"frame","app_name":"Code","message":"This frame is gone."})"
                                 << QStringList{"This frame is gone."} << false;
        QTest::newRow("missing file")
            << R"({"kind":"frame","document_url":"https://x.test/a","image_path":"/nonexistent/f.png"})" << unreadable
            << true;
        QTest::newRow("a folder") << R"({"kind":"frame","document_url":"https://x.test/a","image_path":"/"})"
                                  << unreadable << true;
        QTest::newRow("a named pipe") << "fifo" << unreadable << true;
    }
    void withoutPixels()
    {
        QFETCH(QString, reply);
        QFETCH(QStringList, texts);
        QFETCH(bool, picture);
        EntityFixture f;
        QTemporaryDir dir;
        QJsonObject frame = json(reply.toUtf8());
        if (reply == "fifo") {
            const QString fifo = dir.filePath("frame.png");
            QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
            frame = QJsonObject{{"kind", "frame"}, {"document_url", "https://x.test/a"}, {"image_path", fifo}};
        }
        openFromEvidence(f, frame);
        QCOMPARE(f.inspectorTexts(), QStringList{"opening the frame…"});
        QTRY_COMPARE(f.inspectorTexts(), texts);
        QCOMPARE(bool(f.frame()), picture);
        if (picture) {
            QTRY_VERIFY(f.frame()->loaded());
            QVERIFY(!f.frame()->image());
            QCOMPARE(f.frame()->height(), f.frame()->width() * 10 / 16);
            QVERIFY(!openFullSize(f, Qt::Key_Return)); // nothing to open
        }
    }

    // A screenshot far larger than its frame is read at the size shown.
    void hugeImageIsReadAtTheSizeShown()
    {
        EntityFixture f;
        QTemporaryDir dir;
        const QString path = writeImage(dir, QSize(4000, 3000));
        openFromEvidence(f, QJsonObject{{"kind", "frame"}, {"app_name", "Code"}, {"image_path", path}});
        QTRY_VERIFY_WITH_TIMEOUT(f.frame() && f.frame()->loaded(), 20000);
        QVERIFY(f.frame()->image());
        QCOMPARE(f.frame()->image()->width(), FramePane::width);
        QCOMPARE(f.frame()->image()->height(), FramePane::width * 3 / 4);
    }
};

QTEST_MAIN(FrameViewerTest)
#include "tst_FrameViewer.moc"
