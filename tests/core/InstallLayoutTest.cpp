#include "InstallLayout.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace vesk;

class InstallLayoutTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Paths are relative to a temporary root; "usr" is the configured prefix in every row.
    void findsTheProgramWhereItIsInstalled_data()
    {
        QTest::addColumn<QString>("selfDir");
        QTest::addColumn<QStringList>("executables");
        QTest::addColumn<QStringList>("plainFiles");
        QTest::addColumn<QString>("expected");
        const auto l = [](auto... s) { return QStringList { QString::fromLatin1(s)... }; };
        QTest::newRow("build tree: beside the running binary first")
            << "build/bin" << l("build/bin/veskd-demo", "usr/bin/veskd-demo") << l() << "build/bin/veskd-demo";
        QTest::newRow("moved install: its own libexecdir before the configured prefix")
            << "root/usr/bin" << l("root/usr/libexec/veskd", "usr/libexec/veskd") << l() << "root/usr/libexec/veskd";
        QTest::newRow("configured prefix: bindir before libexecdir")
            << "build/bin" << l("usr/bin/veskd", "usr/libexec/veskd") << l() << "usr/bin/veskd";
        QTest::newRow("a file that cannot run is passed over")
            << "build/bin" << l("usr/libexec/veskd") << l("build/bin/veskd") << "usr/libexec/veskd";
        QTest::newRow("nowhere") << "build/bin" << l() << l("usr/bin/veskd") << "";
    }
    void findsTheProgramWhereItIsInstalled()
    {
        QFETCH(QString, selfDir);
        QFETCH(QStringList, executables);
        QFETCH(QStringList, plainFiles);
        QFETCH(QString, expected);
        QTemporaryDir root;
        const auto make = [&](const QString& rel, QFile::Permissions permissions) {
            QVERIFY(QDir(root.path()).mkpath(QFileInfo(rel).path()));
            QFile file(root.filePath(rel));
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.setPermissions(permissions));
        };
        for (const QString& rel : executables)
            make(rel, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        for (const QString& rel : plainFiles)
            make(rel, QFile::ReadOwner | QFile::WriteOwner);

        const InstallLayout layout { root.filePath(selfDir), root.filePath(QStringLiteral("usr")),
            QStringLiteral("bin"), QStringLiteral("libexec") };
        const QString program = QFileInfo(expected.isEmpty() ? plainFiles.first() : expected).fileName();
        QCOMPARE(
            layout.find(program), expected.isEmpty() ? std::nullopt : std::optional<QString>(root.filePath(expected)));
    }
};

QTEST_GUILESS_MAIN(InstallLayoutTest)
#include "InstallLayoutTest.moc"
