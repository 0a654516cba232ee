// Screenshots of the "Your data" and privacy exclusions windows, in the light and the dark
// appearance, against the daemon under $HOME (scripts/shots starts veskd-demo in a private home):
// every section filled, the earlier handoffs unfolded with one handoff's details, and each privacy
// section. The failed and empty states come from windows whose daemon is a stand-in that fails
// every request or holds no rules.
//
//   vesk-window-shots DIR
#include "DataWindow.h"
#include "Defaults.h"
#include "FakeDaemon.h"
#include "Ink.h"
#include "InkButton.h"
#include "PlatformServices.h"
#include "PortalAppearance.h"
#include "PresentationMode.h"
#include "PrivacyExclusionsWindow.h"
#include "ScrollColumn.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QJsonArray>
#include <QLabel>
#include <QScrollBar>
#include <QTemporaryDir>
#include <cstdio>

using namespace vesk;
using vesk::test::FakeDaemon;

namespace {

bool waitFor(const std::function<bool()>& done, int ms = 8000)
{
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

bool shows(QWidget* root, const QString& text)
{
    for (QLabel* label : root->findChildren<QLabel*>())
        if (label->isVisibleTo(root) && label->text().contains(text))
            return true;
    return false;
}

void press(QWidget* root, const QString& title)
{
    for (InkButton* b : root->findChildren<InkButton*>())
        if (b->isVisibleTo(root) && b->text() == title) {
            b->click();
            return;
        }
}

class Tour {
public:
    explicit Tour(QDir out)
        : out(std::move(out))
    {
    }

    // The whole window as it stands; a state that did not arrive is saved anyway, and said.
    bool save(QWidget* window, const QString& name, bool ready)
    {
        if (!ready)
            std::fprintf(stderr, "vesk-window-shots: %s did not finish loading; saved as it stands\n",
                         qPrintable(name));
        // Layouts settle over a few turns of the event loop: a wrapped label's height changes its
        // row's, which changes the column's.
        for (int turn = 0; turn < 5; ++turn)
            QCoreApplication::processEvents();
        const QString path = out.filePath(name + QStringLiteral(".png"));
        if (!window->grab().save(path)) {
            std::fprintf(stderr, "vesk-window-shots: could not write %s\n", qPrintable(path));
            return false;
        }
        std::printf("%s\n", qPrintable(path));
        return true;
    }

private:
    QDir out;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: vesk-window-shots DIR\n");
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "vesk-window-shots: cannot create %s\n", argv[1]);
        return 1;
    }
    Tour tour(dir);
    DaemonClient client;
    FakeDaemon failing; // answers every request with an error, or closes without one
    for (const char* op : {"recent_deliveries", "connections", "status", "profile", "app_blocks"})
        failing.closeEarly(QString::fromLatin1(op));
    DaemonClient failingClient(failing.path());
    FakeDaemon empty;
    empty.reply(QStringLiteral("website_blocks"), QJsonObject{{"rules", QJsonArray()}});
    DaemonClient emptyClient(empty.path());
    MessageBoxAlerts alerts;
    PlatformServices platform = createPlatformServices();
    Workspace& workspace = *platform.workspace;
    PortalAppearance appearance;
    QTemporaryDir settings;
    Defaults defaults(settings.filePath(QStringLiteral("defaults.json")));
    PresentationMode presentation(defaults);

    DataWindow data(client, alerts, presentation);
    DataWindow dataFailed(failingClient, alerts, presentation);
    PrivacyExclusionsWindow privacy(client, workspace, *platform.permissions, alerts, presentation);
    PrivacyExclusionsWindow privacyFailed(failingClient, workspace, *platform.permissions, alerts, presentation);
    PrivacyExclusionsWindow privacyEmpty(emptyClient, workspace, *platform.permissions, alerts, presentation);

    bool ok = true;
    for (const bool dark : {false, true}) {
        const QString suffix = dark ? QStringLiteral("-dark") : QStringLiteral("-light");
        appearance.apply(dark ? PortalAppearance::Scheme::dark : PortalAppearance::Scheme::light);

        data.open();
        waitFor([&] { return Ink::isDark(&data) == dark; }, 2000);
        const auto column = [&data] { return data.column()->content(); };
        const bool filled = waitFor([&] { return shows(column(), QStringLiteral("Written from")); });
        ok &= tour.save(&data, QStringLiteral("data") + suffix, filled);
        press(column(), QStringLiteral("Show earlier handoffs"));
        press(column(), QStringLiteral("Inspect handoff"));
        ok &= tour.save(&data, QStringLiteral("data-handoff-details") + suffix,
                        waitFor([&] { return shows(column(), QStringLiteral("Referenced  ")); }));
        // Down to the storage section.
        for (QLabel* label : column()->findChildren<QLabel*>())
            if (label->text().startsWith(QStringLiteral("Screenshots  ")))
                data.column()->verticalScrollBar()->setValue(label->mapTo(column(), QPoint()).y() - 60);
        ok &= tour.save(&data, QStringLiteral("data-storage") + suffix, true);

        dataFailed.open();
        ok &= tour.save(&dataFailed, QStringLiteral("data-failed") + suffix,
                        waitFor([&] { return shows(dataFailed.column()->content(), QStringLiteral("failed read")); }));

        const auto section = [&](const QString& title, const QString& name, const QString& loaded) {
            press(&privacy, title);
            ok &= tour.save(&privacy, name + suffix, waitFor([&] { return shows(&privacy, loaded); }));
        };
        privacy.open();
        section(QStringLiteral("Applications"), QStringLiteral("privacy-applications"), QStringLiteral("1password"));
        section(QStringLiteral("Websites"), QStringLiteral("privacy-websites"), QStringLiteral("bank.example.com"));
        section(QStringLiteral("Window titles"), QStringLiteral("privacy-window-titles"), QStringLiteral("Payroll"));

        privacyFailed.open();
        ok &= tour.save(&privacyFailed, QStringLiteral("privacy-failed") + suffix,
                        waitFor([&] { return shows(&privacyFailed, QStringLiteral("this is not an empty list")); }));
        privacyEmpty.open();
        press(&privacyEmpty, QStringLiteral("Websites"));
        ok &= tour.save(&privacyEmpty, QStringLiteral("privacy-empty") + suffix,
                        waitFor([&] { return shows(&privacyEmpty, QStringLiteral("No website exclusions yet.")); }));
    }
    return ok ? 0 : 1;
}
