// The shell every window is built on, as the user meets it.
#include "Defaults.h"
#include "InkLabel.h"
#include "LoadingSection.h"
#include "PortalAppearance.h"
#include "PresentationMode.h"
#include "ScrollColumn.h"
#include "ToolWindow.h"

#include <QApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

using namespace vesk;

namespace {

// A window on the shell in the surface ink, with a column, and its settings in a folder of its own.
struct Shell : ToolWindow {
    explicit Shell(PresentationMode& presentation)
        : ToolWindow(QStringLiteral("Shell"), presentation, Qt::Tool, Ink::surface())
    {
        resize(300, 200);
    }
    template <class Work> auto openOnly(Work work) const { return whileOpen(std::move(work)); }
    void closed() override { ++closes; }

    ScrollColumn* column = addColumn(0);
    int closes = 0;
};

struct Rig {
    QTemporaryDir dir;
    Defaults defaults{dir.filePath(QStringLiteral("defaults.json"))};
    PresentationMode presentation{defaults};
    Shell window{presentation};
};

} // namespace

class ToolWindowTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QApplication::setPalette(PortalAppearance::palette(false)); }

    // Nothing shows while presenting. Centred the first time, then where the user left it; Escape
    // alone closes it.
    void placedOnceClosedByEscape()
    {
        Rig r;
        r.presentation.setEnabled(true);
        QVERIFY(!r.window.bringForward());
        r.presentation.setEnabled(false);
        QVERIFY(r.window.bringForward());
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(r.window.pos(), screen.topLeft() + QPoint((screen.width() - 300) / 2, (screen.height() - 200) / 2));
        r.window.move(r.window.pos() + QPoint(40, 30));
        const QPoint moved = r.window.pos();
        QTest::keyClick(&r.window, Qt::Key_Escape, Qt::ShiftModifier);
        QVERIFY(r.window.isVisible());
        QTest::keyClick(&r.window, Qt::Key_Escape);
        QVERIFY(!r.window.isVisible());
        QVERIFY(r.window.bringForward());
        QCOMPARE(r.window.pos(), moved);
    }

    // The background is the window's ink in the appearance it has now. Closing drops the replies
    // its columns and the window itself still wait for, not those asked for once it is open again.
    void paintedAndClosedAfresh()
    {
        Rig r;
        r.window.bringForward();
        for (const bool dark : {false, true}) {
            QApplication::setPalette(PortalAppearance::palette(dark));
            QTRY_COMPARE(r.window.grab().toImage().pixelColor(3, 3), Ink::surface().resolve(dark));
        }
        auto* section = new LoadingSection(*r.window.column, {}, new InkLabel(QString(), Ink::text(), QFont()));
        QStringList ran;
        auto forColumn = section->bind([&ran] { ran << "column"; });
        auto forWindow = r.window.openOnly([&ran] { ran << "window"; });
        r.window.close();
        QCOMPARE(r.window.closes, 1);
        forColumn();
        forWindow();
        r.window.bringForward();
        r.window.openOnly([&ran] { ran << "reopened"; })();
        QCOMPARE(ran, QStringList{"reopened"});
    }
};

QTEST_MAIN(ToolWindowTest)
#include "tst_ToolWindow.moc"
