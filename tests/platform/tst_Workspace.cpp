// Installed applications as the Linux workspace finds them: desktop entries in the XDG data
// directories and flatpak's exports, the window in front named after its entry, and the chooser.
#include "ApplicationChooser.h"
#include "LinuxWorkspace.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>

using namespace vesk;

namespace {

void writeEntry(const QString& dir, const QString& file, const QByteArray& keys)
{
    QDir().mkpath(dir);
    QFile f(dir + "/" + file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[Desktop Entry]\nType=Application\nExec=true\n" + keys);
}

// A window as the window manager reports it, before the workspace names it.
class FixedWindow final : public ForegroundWindow {
public:
    explicit FixedWindow(ForegroundApp app)
        : app(std::move(app))
    {
    }
    std::optional<ForegroundApp> current() override { return app; }
    ForegroundApp app;
};

} // namespace

class WorkspaceTest : public QObject {
    Q_OBJECT
    QTemporaryDir home;

private slots:
    void initTestCase()
    {
        // GIO reads the data directories once per process: they are set before its first read.
        const QString system = home.path() + "/system", user = home.path() + "/user";
        qputenv("XDG_DATA_DIRS", system.toUtf8());
        qputenv("XDG_DATA_HOME", user.toUtf8());
        writeEntry(system + "/applications", "org.example.Editor.desktop",
                   "Name=Editor\nIcon=accessories-text-editor\nStartupWMClass=EditorWindow\n");
        writeEntry(system + "/applications", "helper.desktop", "Name=Helper\nNoDisplay=true\n");
        writeEntry(user + "/applications", "notes.desktop", "Name=Notes\nStartupWMClass=notes-app\n");
        // Flatpak exports per user, which a session's XDG_DATA_DIRS often leaves out.
        writeEntry(user + "/flatpak/exports/share/applications", "com.example.Chat.desktop", "Name=Chat\n");
    }

    void applicationsByDesktopId_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("name"); // empty: not installed
        QTest::newRow("system entry") << "org.example.Editor"
                                      << "Editor";
        QTest::newRow("user entry") << "notes"
                                    << "Notes";
        QTest::newRow("flatpak export") << "com.example.Chat"
                                        << "Chat";
        QTest::newRow("hidden from menus, still installed") << "helper"
                                                            << "Helper";
        QTest::newRow("uninstalled") << "org.example.Gone"
                                     << "";
    }
    // Reading the entries waits for the event loop's first turn, then starts without being asked.
    void readAfterTheFirstTurn()
    {
        std::atomic<int> reads = 0;
        DesktopIndex index([&reads] {
            ++reads;
            return QList<DesktopEntry>();
        });
        QCoreApplication::processEvents();
        QCOMPARE(reads.load(), 0);
        QTRY_COMPARE(reads.load(), 1);
    }

    void applicationsByDesktopId()
    {
        QFETCH(QString, id);
        LinuxWorkspace workspace(std::make_shared<DesktopIndex>());
        QVERIFY(workspace.listsApplications());
        const auto app = workspace.application(id);
        QTEST(app ? app->name : QString(), "name");
        if (app)
            QCOMPARE(app->id, id);
    }

    // The window in front is named after the entry of its application: its own id first, then the
    // entry whose StartupWMClass is its WM_CLASS class; a window of no entry keeps its class.
    void foregroundNamed_data()
    {
        QTest::addColumn<QString>("applicationId");
        QTest::addColumn<QString>("windowClass");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("name");
        QTest::newRow("by its id") << "com.example.Chat"
                                   << "Chat-bin"
                                   << "com.example.Chat"
                                   << "Chat";
        QTest::newRow("by StartupWMClass") << "editorwindow"
                                           << "EditorWindow"
                                           << "org.example.Editor"
                                           << "Editor";
        QTest::newRow("class ignoring case") << "notes-app"
                                             << "Notes-App"
                                             << "notes"
                                             << "Notes";
        QTest::newRow("no entry") << "xterm"
                                  << "XTerm"
                                  << "xterm"
                                  << "XTerm";
    }
    void foregroundNamed()
    {
        QFETCH(QString, applicationId);
        QFETCH(QString, windowClass);
        NamedForegroundWindow front(
            std::make_unique<FixedWindow>(ForegroundApp{applicationId, windowClass, "t", false, std::nullopt}),
            std::make_shared<DesktopIndex>());
        const auto app = front.current();
        QVERIFY(app);
        QTEST(app->applicationId, "id");
        QTEST(app->name, "name");
        QCOMPARE(app->windowTitle, "t");
    }

    // The chooser lists what a menu would list but what is already excluded, narrowed by name or id
    // as the user types; Return takes the first match. Every name starts in one column: a row
    // without an icon keeps the icon's room.
    void chooserNarrows_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("leaveOut");
        QTest::addColumn<QString>("chosen"); // empty: nothing can be chosen
        QTest::newRow("nothing typed: first by name") << "" << QStringList() << "com.example.Chat";
        QTest::newRow("the excluded left out") << "" << QStringList{"com.example.Chat"} << "org.example.Editor";
        QTest::newRow("by name, any case") << "NOTES" << QStringList() << "notes";
        QTest::newRow("by id") << "org.example" << QStringList() << "org.example.Editor";
        QTest::newRow("hidden entry not offered") << "helper" << QStringList() << "";
    }
    void chooserNarrows()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, leaveOut);
        QFETCH(QString, chosen);
        LinuxWorkspace workspace(std::make_shared<DesktopIndex>());
        bool acceptable = false;
        QString status;
        // The chooser is modal: it is driven from inside its own event loop, as the user would.
        QTimer::singleShot(0, this, [&] {
            auto* chooser = qobject_cast<ApplicationChooser*>(QApplication::activeModalWidget());
            QVERIFY(chooser);
            QTRY_VERIFY(chooser->list()->count() > 0);
            QCOMPARE(chooser->list()->count(), 3 - leaveOut.size());
            for (int row = 0; row < chooser->list()->count(); ++row)
                QVERIFY(!chooser->list()->item(row)->icon().isNull());
            QTest::keyClicks(chooser->searchField(), typed);
            for (QPushButton* b : chooser->findChildren<QPushButton*>())
                if (b->text() == "Exclude application")
                    acceptable = b->isEnabled();
            status = chooser->findChild<QLabel*>()->text();
            if (acceptable)
                QTest::keyClick(chooser->searchField(), Qt::Key_Return);
            else
                chooser->reject();
        });
        const auto app = workspace.chooseApplication(nullptr, "Choose", "Exclude application", leaveOut);
        QCOMPARE(app ? app->id : QString(), chosen);
        QCOMPARE(acceptable, !chosen.isEmpty());
        if (chosen.isEmpty())
            QCOMPARE(status, "No installed application matches “" + typed + "”.");
    }
};

QTEST_MAIN(WorkspaceTest)
#include "tst_Workspace.moc"
