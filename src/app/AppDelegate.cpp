#include "AppDelegate.h"

#include "AskWindow.h"
#include "Clock.h"
#include "Ink.h"
#include "Json.h"
#include "PresentationMode.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QSystemTrayIcon>
#include <algorithm>
#include <cstdio>

namespace vesk {

const QStringList AppDelegate::tierOrder{QStringLiteral("answers"), QStringLiteral("embeddings"),
                                         QStringLiteral("relations"), QStringLiteral("profile")};

double AppDelegate::retryDelay(int attempt)
{
    return std::min(0.5 * (attempt + 1), 5.0);
}

AppDelegate::AppDelegate(Services services, LaunchSwitches switches, QObject* parent)
    : QObject(parent)
    , client(services.client)
    , hotkey(*services.platform.hotkey)
    , platform(services.platform)
    , presentation(services.presentation)
    , alerts(services.alerts)
    , clock(services.clock)
    , switches(switches)
{
    buildMenu();
    connect(this, &AppDelegate::shortcutPressed, this, [this] { askWindow().toggle(); });
    connect(askItem, &QAction::triggered, this, [this] { askWindow().show(); });
}

AppDelegate::~AppDelegate() = default;

AskWindow& AppDelegate::askWindow()
{
    if (!ask) {
        ask = std::make_unique<AskWindow>(client, alerts, clock, &presentation);
        ask->updateCaptureStatus(stateItem->text());
    }
    return *ask;
}

void AppDelegate::applicationDidFinishLaunching()
{
    const QPointer<AppDelegate> self(this);
    const auto registration = hotkey.registerShortcut([self] {
        if (self)
            emit self->shortcutPressed();
    });
    if (registration == Hotkey::Registration::taken)
        std::fputs("[vesk-app] could not register ⌥Space; another app owns it. Use the menu.\n", stderr);

    createStatusItem();
    render(DaemonClient::Unreachable{});
    item->setVisible(true); // after the first icon: an item without one is not shown
    if (switches.debug)
        clock.after(1.0, this, [this] { printDiagnostics(); });
    item->setContextMenu(menu.get());

    if (!switches.onboardingPreview && !switches.firstRunPreview)
        sendHello();

    client.watch([self](const DaemonClient::State& state) {
        if (!self)
            return;
        self->render(state);
        self->requestProposals();
    });

    // Background-service registration comes first once it exists; until then the chains start
    // directly.
    offerSetupIfNeeded(0);
    startInterjectionsWhenOnboarded(0);

    // The ask panel exists from launch; its first-run buttons stay unset until the onboarding and
    // privacy windows join the build.
    askWindow();
    if (switches.firstRunPreview)
        askWindow().showFirstRun();
    // The data and privacy surfaces open here too once their windows exist.
    if (switches.surface == LaunchSwitches::Surface::inbox)
        askWindow().showInbox();
}

void AppDelegate::openInbox()
{
    askWindow().showInbox();
    requestProposals();
}

void AppDelegate::createStatusItem()
{
    item = std::make_unique<QSystemTrayIcon>();
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        std::fputs("[vesk-app] no system tray available; Vesk keeps running without its status item.\n", stderr);
    // A left click opens the same menu as a right click: the item has no other action.
    connect(item.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger && item->geometry().isValid())
            menu->popup(item->geometry().bottomLeft());
    });
}

void AppDelegate::buildMenu()
{
    menu = std::make_unique<QMenu>();
    connect(menu.get(), &QMenu::aboutToShow, this, &AppDelegate::menuWillOpen);

    auto line = [this](const QString& title) {
        QAction* a = menu->addAction(title);
        return a;
    };
    // Windows not yet part of this build keep their line, disabled, so the menu promises nothing
    // it cannot do.
    auto unwired = [&](const QString& title) {
        QAction* a = line(title);
        a->setEnabled(false);
        return a;
    };

    stateItem = line(QStringLiteral("…"));
    stateItem->setEnabled(false);
    setup = unwired(QStringLiteral("Set up Vesk…"));
    setup->setVisible(false);
    menu->addSeparator();
    disk = line(QStringLiteral("Pixels …"));
    disk->setEnabled(false);
    database = line(QStringLiteral("Database …"));
    database->setEnabled(false);
    menu->addSeparator();
    capture = line(QStringLiteral("Pause recording"));
    capture->setShortcut(QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_P));
    connect(capture, &QAction::triggered, this, &AppDelegate::toggleCapture);
    injection = line(QStringLiteral("Injection …"));
    injection->setShortcut(QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_I));
    connect(injection, &QAction::triggered, this, &AppDelegate::toggleInjection);
    presentationModeItem = line(QStringLiteral("Presentation Mode"));
    presentationModeItem->setCheckable(true);
    connect(presentationModeItem, &QAction::triggered, this, &AppDelegate::togglePresentationMode);
    renderPresentationMode();

    egress = line(QStringLiteral("What leaves this machine"));
    auto* tiers = new QMenu(menu.get());
    egress->setMenu(tiers);
    for (const QString& tier : tierOrder) {
        QAction* a = tiers->addAction(MenuText::tierTitle(tier));
        a->setData(tier);
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, a] { toggleTier(a); });
        tierItems[tier] = a;
    }
    renderTiers();
    menu->addSeparator();
    askItem = line(QStringLiteral("Ask something"));
    askItem->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Space));
    menu->addSeparator();
    inboxItem = line(QStringLiteral("What it knows about you"));
    inboxItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    connect(inboxItem, &QAction::triggered, this, &AppDelegate::openInbox);
    digestItem = line(QStringLiteral("Weekly review"));
    digestItem->setEnabled(false);
    interjectionSettingsItem = unwired(QStringLiteral("Interjection settings…"));
    menu->addSeparator();
    dataItem = unwired(QStringLiteral("Your data…"));
    privacyItem = unwired(QStringLiteral("Privacy exclusions…"));
    reviewSetupItem = unwired(QStringLiteral("Review setup && permissions…")); // "&&" shows one "&"
    diagnosticsItem = unwired(QStringLiteral("Run diagnostics"));
    // No software-update feed on this platform, so no "Check for Updates…" line.
    quitItem = line(QStringLiteral("Quit Vesk"));
    quitItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quitItem, &QAction::triggered, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void AppDelegate::sendHello()
{
    const QPointer<AppDelegate> self(this);
    client.hello([self](Reply reply) {
        if (self && self->onHello)
            self->onHello(reply);
    });
}

void AppDelegate::requestProposals()
{
    const QPointer<AppDelegate> self(this);
    client.proposals(200, [self](Reply reply) {
        if (self)
            self->refreshProposalCount(reply);
    });
}

void AppDelegate::offerSetupIfNeeded(int attempt)
{
    const QPointer<AppDelegate> self(this);
    client.needsOnboarding([self, attempt](std::optional<bool> needed) {
        if (!self)
            return;
        if (needed) {
            self->setup->setVisible(*needed);
            if (*needed && !self->presentation.isEnabled())
                emit self->setupNeeded();
            return;
        }
        if (attempt < lastAttempt)
            self->clock.after(retryDelay(attempt), self, [self, attempt] {
                if (self)
                    self->offerSetupIfNeeded(attempt + 1);
            });
    });
}

void AppDelegate::startInterjectionsWhenOnboarded(int attempt)
{
    const QPointer<AppDelegate> self(this);
    client.status([self, attempt](Reply reply) {
        if (!self)
            return;
        const auto done = reply ? Json::boolean(*reply, u"onboarded") : std::nullopt;
        if (done) {
            if (*done)
                emit self->onboarded();
            return;
        }
        if (attempt < lastAttempt)
            self->clock.after(retryDelay(attempt), self, [self, attempt] {
                if (self)
                    self->startInterjectionsWhenOnboarded(attempt + 1);
            });
    });
}

void AppDelegate::updateDigestItem(qint64 count)
{
    digestItem->setText(MenuText::digestLine(count));
    digestItem->setEnabled(count >= 1);
}

void AppDelegate::printDiagnostics()
{
    const QRect geometry = item ? item->geometry() : QRect();
    const QScreen* screen = QGuiApplication::primaryScreen();
    // Linux screens have no notch: its edges are reported as missing.
    const QString line = MenuText::diagnosticLine(item && item->isVisible() && QSystemTrayIcon::isSystemTrayAvailable(),
                                                  geometry.x(), geometry.width(),
                                                  screen ? screen->geometry().width() : 0.0, -1.0, -1.0);
    std::fputs(line.toUtf8().constData(), stderr);
}

} // namespace vesk
