#include "FrameText.h"

#include <QJsonObject>
#include <QRectF>
#include <QTest>

using namespace vesk;

class FrameTextTest : public QObject {
    Q_OBJECT
private slots:
    // The lines marked are those naming what led here: the whole label, or a file name of 4+
    // characters; a line missing one of its five keys is skipped.
    void highlights_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QList<int>>("marked"); // indexes into lines
        const QStringList readme{"Opened README.TXT in the editor", "/src/app/Readme.txt", "src/app/main.cpp",
                                 "readme.md"};
        QTest::newRow("path by its file name") << "/src/app/Readme.txt" << readme << QList<int>{0, 1};
        QTest::newRow("four-letter file name")
            << "/src/app/Make" << QStringList{"make: done", "cd /src/app", "mak"} << QList<int>{0};
        QTest::newRow("short file name needs the whole path")
            << "/src/app/abc" << QStringList{"abc is here", "cd /src/app/abc", "xabcx"} << QList<int>{1};
        QTest::newRow("no match") << "Harbor" << QStringList{"nothing", "here"} << QList<int>{};
        QTest::newRow("trailing slash") << "docs/release/" << QStringList{"RELEASE notes", "docs"} << QList<int>{0};
        QTest::newRow("empty label marks nothing") << "" << QStringList{"anything"} << QList<int>{};
    }
    void highlights()
    {
        QFETCH(QString, label);
        QFETCH(QStringList, lines);
        QFETCH(QList<int>, marked);
        QList<QJsonObject> given;
        for (int i = 0; i < lines.size(); ++i)
            given << QJsonObject{{"x", 0.1}, {"y", 0.1 * i}, {"w", 0.5}, {"h", 0.05}, {"text", lines[i]}};
        given << QJsonObject{{"x", 0.1}, {"y", "0.5"}, {"w", 0.5}, {"h", 0.1}, {"text", label}}; // y not a number
        QList<QRectF> expected;
        for (int i : marked)
            expected << QRectF(0.1, 0.1 * i, 0.5, 0.05);
        QCOMPARE(FrameText::highlights(given, label), expected);
    }
};

QTEST_GUILESS_MAIN(FrameTextTest)
#include "tst_FrameText.moc"
