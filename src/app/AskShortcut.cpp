#include "AskShortcut.h"

#include "Alerts.h"
#include "Defaults.h"
#include "MainThread.h"
#include "MenuText.h"
#include "PresentationMode.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstdio>

namespace vesk {

namespace {

// Runs `work` on `pool` and hands its result to `then` on the main thread, while `receiver` exists.
template <class Work, class Then> void offMainThread(QThreadPool& pool, const QObject* receiver, Work work, Then then)
{
    pool.start([work = std::move(work), done = toReceiver(receiver, std::move(then))]() mutable { done(work()); });
}

// Which failure says most about why the keys could not be had: another owner first, the user's
// or the desktop's no next, a desktop without the means last.
int weight(Hotkey::Registration r)
{
    switch (r) {
    case Hotkey::Registration::taken:
        return 5;
    case Hotkey::Registration::refused:
        return 4;
    case Hotkey::Registration::unbound:
        return 3;
    case Hotkey::Registration::unsupported:
        return 2;
    case Hotkey::Registration::unavailable:
        return 1;
    case Hotkey::Registration::registered:
    case Hotkey::Registration::pending:
        break;
    }
    return 0;
}

void say(const QString& line)
{
    std::fputs(line.toUtf8().constData(), stderr);
}

} // namespace

AskShortcut::AskShortcut(Services services, QObject* parent)
    : ChosenShortcut(parent)
    , platform(services.platform)
    , defaults(services.defaults)
    , alerts(services.alerts)
    , presentation(services.presentation)
    , chord(storedKeys(services.defaults))
{
}

AskShortcut::~AskShortcut() = default;

KeyChord AskShortcut::storedKeys(const Defaults& defaults)
{
    return KeyChord::parse(defaults.string(keysSetting).value_or(QString())).value_or(KeyChord::standard());
}

QString AskShortcut::askCommand()
{
    const QString program = QCoreApplication::applicationFilePath();
    const QString found = QStandardPaths::findExecutable(QStringLiteral("vesk"));
    const QString name
        = found.isEmpty() || QFileInfo(found).canonicalFilePath() != QFileInfo(program).canonicalFilePath()
        ? QLatin1Char('\'') + QString(program).replace(QLatin1Char('\''), QStringLiteral("'\\''")) + QLatin1Char('\'')
        : QStringLiteral("vesk");
    return name + QStringLiteral(" --ask");
}

void AskShortcut::start(bool tray)
{
    trayHost = tray;
    chord = storedKeys(defaults);
    emit keysChanged(chord);
    registerKeys(chord, [this](Registration outcome) {
        if (outcome == Registration::registered)
            return emit settled(true);
        tryDesktop(outcome);
    });
}

void AskShortcut::apply(const KeyChord& keys)
{
    const KeyChord before = chord;
    registerKeys(keys, [this, keys, before](Registration outcome) {
        const bool registered = outcome == Registration::registered;
        if (registered) {
            chord = keys;
            // Kept only when it could be written; the keys work for this run either way.
            const bool stored = defaults.setString(keysSetting, keys.text());
            emit keysChanged(keys);
            return emit applied(keys, true, MenuText::appliedLine(keys, outcome, before, stored));
        }
        registerKeys(before, [](Registration) {});
        emit applied(keys, false, MenuText::appliedLine(keys, outcome, before, false));
    });
}

void AskShortcut::registerKeys(const KeyChord& keys, std::function<void(Registration)> done)
{
    // The portal first, so the desktop manages the key; after a portal that bound nothing, the grab.
    Hotkey* portal = platform.portalHotkey.get();
    Hotkey* grab = platform.hotkey.get();
    QList<Hotkey*> order;
    if (defaults.boolean(portalBindsNothingSetting).value_or(false))
        order = {grab, portal};
    else
        order = {portal, grab};
    order.removeAll(nullptr);
    tryBackends(order, keys, ++rounds, Registration::unavailable, std::move(done));
}

void AskShortcut::tryBackends(QList<Hotkey*> order, const KeyChord& keys, quint64 round, Registration worst,
                              std::function<void(Registration)> done)
{
    if (order.isEmpty())
        return done(worst);
    Hotkey* backend = order.takeFirst();
    auto next = [this, backend, order, keys, round, worst, done](Registration outcome) {
        if (round != rounds)
            return;
        if (outcome == Registration::registered) {
            // One backend holds the keys: a press must not open the panel twice.
            for (Hotkey* other : {platform.portalHotkey.get(), platform.hotkey.get()})
                if (other && other != backend)
                    other->release();
            return done(outcome);
        }
        if (outcome == Registration::unbound)
            defaults.setBoolean(portalBindsNothingSetting, true);
        const Registration telling = weight(outcome) > weight(worst) ? outcome : worst;
        // The user said no in the desktop's own dialog: no other way goes around that.
        if (outcome == Registration::refused)
            return done(telling);
        tryBackends(order, keys, round, telling, done);
    };
    const Registration now = backend->registerShortcut(
        keys, this, [this] { emit pressed(); }, next);
    if (now != Registration::pending)
        next(now);
}

void AskShortcut::tryDesktop(Registration failure)
{
    DesktopShortcut& desktop = *platform.desktopShortcut;
    const QString command = askCommand();
    const quint64 round = rounds;
    offMainThread(
        desktopWork, this, [&desktop, keys = chord, command] { return desktop.binding(keys, command); },
        [this, failure, round](DesktopShortcut::Binding binding) {
            if (round != rounds)
                return;
            switch (binding) {
            case DesktopShortcut::Binding::ours:
                // The desktop runs `vesk --ask` on these keys already: they open Vesk.
                return emit settled(true);
            case DesktopShortcut::Binding::free:
                return offerDesktopShortcut(failure);
            case DesktopShortcut::Binding::taken:
            case DesktopShortcut::Binding::noSettings:
                break;
            }
            fail(failure);
        });
}

void AskShortcut::offerDesktopShortcut(Registration failure)
{
    // Asked once for each keys, ever; never while presenting (the next launch asks instead). A
    // true from before keys could be chosen stands for Alt+Space.
    const QJsonValue offered = defaults.value(desktopOfferedSetting);
    if (offered.toString() == chord.text() || (offered.toBool() && chord == KeyChord::standard())
        || presentation.isEnabled()) {
        fail(failure);
        return emit desktopShortcutOffered({});
    }
    defaults.setString(desktopOfferedSetting, chord.text());
    if (alerts.run(MenuText::desktopShortcutOffer(chord, failure)) != 0) {
        fail(failure);
        return emit desktopShortcutOffered({});
    }
    DesktopShortcut& desktop = *platform.desktopShortcut;
    const quint64 round = rounds;
    offMainThread(
        desktopWork, this,
        [&desktop, keys = chord, command = askCommand()] {
            return desktop.add(QStringLiteral("Vesk: ask"), keys, command);
        },
        [this, failure, round](DesktopShortcut::Result result) {
            AlertSpec done;
            done.title = MenuText::desktopShortcutLine(result, chord);
            done.buttons = {QStringLiteral("OK")};
            alerts.run(done);
            emit desktopShortcutOffered(done.title);
            if (round != rounds)
                return;
            if (result == DesktopShortcut::Result::added || result == DesktopShortcut::Result::alreadyAdded)
                return emit settled(true);
            fail(failure);
        });
}

void AskShortcut::fail(Registration failure)
{
    say(MenuText::shortcutFailureLine(failure, chord, trayHost));
    emit notice(MenuText::shortcutNotice(failure, chord, trayHost));
    emit settled(false);
}

} // namespace vesk
