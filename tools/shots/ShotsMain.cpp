// The screenshot tour: renders every surface of the shell, offscreen, in the light and the dark
// appearance, against whatever daemon listens under $HOME (scripts/shots starts veskd-demo).
//
//   vesk-shots DIR
#include "AppDelegate.h"
#include "Clock.h"
#include "Defaults.h"
#include "DigestWindow.h"
#include "Ink.h"
#include "InterjectionCard.h"
#include "InterjectionController.h"
#include "InterjectionSettings.h"
#include "InterjectionSettingsWindow.h"
#include "NullPlatform.h"
#include "PortalAppearance.h"
#include "PresentationMode.h"
#include "StatusIcon.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QMenu>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

using namespace vesk;

namespace {

// Runs the event loop until `done` holds or the time is up.
bool waitFor(const std::function<bool()>& done, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

bool save(const QImage& image, const QString& path)
{
    if (!image.save(path)) {
        std::fprintf(stderr, "vesk-shots: could not write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// Each state in square tray slots of the common sizes, on a light, a grey and a dark tray, pixel
// for pixel and then enlarged twice without smoothing so the detail can be seen.
bool saveIcons(const QDir& out, const QString& suffix, bool dark)
{
    struct Shot {
        const char* name;
        DaemonClient::State state;
        qint64 badge;
    };
    const Shot shots[] = {
        {"unreachable", DaemonClient::Unreachable{}, 0},
        {"recording", DaemonClient::Known{true, 1, {}}, 0},
        {"not-recording", DaemonClient::Known{false, 0, {}}, 0},
        {"recording-3-waiting", DaemonClient::Known{true, 2, {}}, 3},
        {"recording-12-waiting", DaemonClient::Known{true, 2, {}}, 12},
    };
    const int sizes[] = {16, 22, 24, 32, 48};
    const QColor trays[] = {QColor(0xEDEDED), QColor(0x808080), QColor(0x2B2B2B)};
    constexpr int gap = 8;
    bool ok = true;
    for (const Shot& s : shots) {
        const MenuText::StateLines lines = MenuText::forState(s.state, s.badge);
        const QColor colour = (lines.recording ? Ink::dot() : Ink::text2()).resolve(dark);
        int width = gap;
        for (int size : sizes)
            width += size + gap;
        const int band = 48 + 2 * gap;
        QImage sheet(width, band * 3, QImage::Format_ARGB32_Premultiplied);
        QPainter p(&sheet);
        for (int t = 0; t < 3; ++t) {
            p.fillRect(0, t * band, width, band, trays[t]);
            int x = gap;
            for (int size : sizes) {
                p.drawImage(x, t * band + (band - size) / 2,
                            dot(lines.glyph, colour, lines.recording, s.badge, dark, size));
                x += size + gap;
            }
        }
        p.end();
        ok &= save(sheet.scaled(sheet.size() * 2),
                   out.filePath(QStringLiteral("icon-%1-%2.png").arg(QLatin1String(s.name), suffix)));
    }

    // The states that must not be confused, side by side in the small slots: paused, unreachable
    // and the "9+" badge, at 16, 22 and 24 pixels on each tray.
    const Shot apart[] = {shots[2], shots[0], shots[4]};
    const int small[] = {16, 22, 24};
    const int cell = 24 + gap;
    QImage sheet(gap + 3 * (3 * cell + gap), 3 * cell + gap, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&sheet);
    for (int t = 0; t < 3; ++t) {
        p.fillRect(0, t * cell, sheet.width(), cell + (t == 2 ? gap : 0), trays[t]);
        int x = gap;
        for (int size : small) {
            for (const Shot& s : apart) {
                const MenuText::StateLines lines = MenuText::forState(s.state, s.badge);
                const QColor colour = (lines.recording ? Ink::dot() : Ink::text2()).resolve(dark);
                p.drawImage(x + (24 - size) / 2, t * cell + gap / 2 + (24 - size) / 2,
                            dot(lines.glyph, colour, lines.recording, s.badge, dark, size));
                x += cell;
            }
            x += gap;
        }
    }
    p.end();
    ok &= save(sheet.scaled(sheet.size() * 3), out.filePath(QStringLiteral("icon-states-small-%1.png").arg(suffix)));
    return ok;
}

// Rendered without popping up: offscreen there is no pointer to open it at.
QImage grabMenu(QMenu* menu)
{
    menu->ensurePolished();
    menu->adjustSize();
    return menu->grab().toImage();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (argc < 2) {
        std::fprintf(stderr, "usage: vesk-shots DIR\n");
        return 2;
    }
    QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "vesk-shots: cannot create %s\n", argv[1]);
        return 1;
    }

    QTemporaryDir settings;
    Defaults defaults(settings.filePath(QStringLiteral("defaults.json")));
    PresentationMode presentation(defaults);
    DaemonClient client;
    PlatformServices platform = nullPlatformServices();
    MessageBoxAlerts alerts;
    PortalAppearance appearance;
    // The tour pictures a desktop with a tray, whatever the offscreen platform says.
    AppDelegate delegate({client, platform, presentation, alerts, systemClock(), defaults, [] { return true; }},
                         LaunchSwitches{});
    delegate.applicationDidFinishLaunching();

    const bool reached
        = waitFor([&] { return std::holds_alternative<DaemonClient::Known>(delegate.statusItem().lastState()); }, 8000);
    if (!reached)
        std::fprintf(stderr, "vesk-shots: no daemon answered; the shots show the unreachable state\n");

    bool ok = true;
    for (const bool dark : {false, true}) {
        const QString suffix = dark ? QStringLiteral("dark") : QStringLiteral("light");
        appearance.apply(dark ? PortalAppearance::Scheme::dark : PortalAppearance::Scheme::light);
        // Existing widgets learn of the new palette through posted events.
        waitFor([&] { return Ink::isDark(delegate.statusMenu().menu()) == dark; }, 2000);
        delegate.statusItem().render(delegate.statusItem().lastState());
        ok &= saveIcons(out, suffix, dark);

        // Opening the menu refreshes its lines from the daemon.
        const StatusMenu& menu = delegate.statusMenu();
        QAction* disk = menu.item(StatusMenu::Line::disk);
        const QString before = disk->text();
        menu.menu()->popup(QPoint(0, 0));
        waitFor([&] { return disk->text() != before || disk->text() != QStringLiteral("Pixels …"); }, 5000);
        ok &= save(grabMenu(menu.menu()), out.filePath(QStringLiteral("menu-%1.png").arg(suffix)));
        menu.menu()->hide();
        ok &= save(grabMenu(menu.item(StatusMenu::Line::egress)->menu()),
                   out.filePath(QStringLiteral("menu-tiers-%1.png").arg(suffix)));

        // The reminder card as its preview shows it.
        InterjectionController& reminders = delegate.reminders();
        reminders.show(InterjectionController::previewCandidate(), Decision::Accounting::none);
        ok &= save(reminders.card()->grab().toImage(),
                   out.filePath(QStringLiteral("reminder-card-%1.png").arg(suffix)));

        // The weekly review of the demo's held-back items, and the reminders' settings once the
        // daemon confirmed the policy.
        DigestWindow& review = delegate.digestWindow();
        review.showWeeklyDigest();
        waitFor([&] { return !review.reviewItems().isEmpty(); }, 5000);
        ok &= save(review.grab().toImage(), out.filePath(QStringLiteral("weekly-review-%1.png").arg(suffix)));
        review.close();
        InterjectionSettingsWindow& settings = delegate.interjectionSettingsWindow();
        settings.showSettings();
        waitFor([&] { return reminders.settings().policyLoaded(); }, 5000);
        ok &= save(settings.grab().toImage(), out.filePath(QStringLiteral("interjection-settings-%1.png").arg(suffix)));
        settings.close();

        // The confirmation for sending entity names to a model, as the presenter shows it.
        QImage alertShot;
        QTimer::singleShot(0, &app, [&] {
            waitFor([] { return QApplication::activeModalWidget() != nullptr; }, 2000);
            if (QWidget* box = QApplication::activeModalWidget()) {
                waitFor([box] { return box->isVisible(); }, 2000);
                alertShot = box->grab().toImage();
            }
            abortModalDialogs();
        });
        alerts.run(MenuText::tierConfirmation(QStringLiteral("embeddings")));
        ok &= save(alertShot, out.filePath(QStringLiteral("alert-tier-%1.png").arg(suffix)));
    }
    return ok ? 0 : 1;
}
