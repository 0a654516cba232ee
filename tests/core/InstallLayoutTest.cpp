#include "InstallLayout.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace vesk;

class InstallLayoutTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Paths under a temporary root whose "p" is the configured prefix; "!" marks a file that cannot run.
    void findsTheProgramWhereItIsInstalled_data()
    {
        QTest::addColumn<QString>("selfDir");
        QTest::addColumn<QString>("files");
        QTest::addColumn<QString>("expected");
        QTest::newRow("build tree: beside it first") << "b/bin"
                                                     << "b/bin/veskd p/bin/veskd"
                                                     << "b/bin/veskd";
        QTest::newRow("moved: own libexecdir") << "m/bin"
                                               << "m/libexec/veskd p/libexec/veskd"
                                               << "m/libexec/veskd";
        QTest::newRow("configured: bindir first") << "b/bin"
                                                  << "p/bin/veskd p/libexec/veskd"
                                                  << "p/bin/veskd";
        QTest::newRow("cannot run: passed over") << "b/bin"
                                                 << "!b/bin/veskd p/libexec/veskd"
                                                 << "p/libexec/veskd";
        QTest::newRow("nowhere") << "b/bin"
                                 << "!p/bin/veskd"
                                 << "";
    }
    void findsTheProgramWhereItIsInstalled()
    {
        QFETCH(QString, selfDir);
        QFETCH(QString, files);
        QFETCH(QString, expected);
        QTemporaryDir root;
        for (QString rel : files.split(QLatin1Char(' '))) {
            const bool runs = !rel.startsWith(QLatin1Char('!'));
            QFile file(root.filePath(rel.remove(QLatin1Char('!'))));
            QVERIFY(QDir().mkpath(QFileInfo(file).path()) && file.open(QIODevice::WriteOnly)
                    && file.setPermissions(runs ? QFile::ReadOwner | QFile::ExeOwner : QFile::ReadOwner));
        }
        const InstallLayout layout{root.filePath(selfDir), root.filePath("p"), "bin", "libexec"};
        QCOMPARE(layout.find("veskd"), expected.isEmpty() ? std::nullopt : std::optional(root.filePath(expected)));
    }
};

QTEST_GUILESS_MAIN(InstallLayoutTest)
#include "InstallLayoutTest.moc"
