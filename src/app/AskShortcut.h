#pragma once

#include "ChosenShortcut.h"
#include "KeyChord.h"
#include "PlatformServices.h"

#include <QObject>
#include <QThreadPool>
#include <functional>

namespace vesk {

class Alerts;
class Defaults;
class PresentationMode;

// The shortcut that opens the ask panel: the keys the user chose (Alt+Space until then), registered
// at every start. The desktop portal goes first wherever the session has one, so the desktop's own
// settings manage the key; then the X grab; where neither gets the keys, and only with the user's
// yes, a command shortcut in the desktop's own settings that runs `vesk --ask`. A failure is said
// on standard error and through `notice`, naming the keys and the way to choose others. Main
// thread only.
class AskShortcut : public ChosenShortcut {
    Q_OBJECT
public:
    struct Services {
        PlatformServices& platform;
        Defaults& defaults;
        Alerts& alerts;
        PresentationMode& presentation;
    };

    // The chosen keys, as text ("Ctrl+Alt+Space").
    static inline const QString keysSetting = QStringLiteral("vesk.shortcut.keys");
    // A portal that once answered yes without binding anything: the X grab goes first from then on.
    static inline const QString portalBindsNothingSetting = QStringLiteral("vesk.shortcut.portal_binds_nothing");
    // The keys the desktop shortcut was offered for (asked once per keys, ever).
    static inline const QString desktopOfferedSetting = QStringLiteral("vesk.shortcut.desktop_offered");

    AskShortcut(Services services, QObject* parent = nullptr);
    ~AskShortcut() override;

    // The stored keys; Alt+Space when none, or none that can be read, are stored.
    static KeyChord storedKeys(const Defaults& defaults);
    // What the desktop's shortcut runs: `vesk --ask`, with this program's full path unless the
    // search path finds this very program under its plain name.
    static QString askCommand();

    const KeyChord& keys() const override { return chord; }

    // Registers the stored keys in place of any registered before. `trayHost` decides whether the
    // menu is named as a way in.
    void start(bool trayHost);
    // Registers `keys` at once in place of the current ones. They are stored only when they were
    // registered; otherwise the keys before are registered again. Ends in `applied`.
    void apply(const KeyChord& keys) override;

signals:
    void pressed();
    // Why the keys do not open Vesk here, for the ask panel.
    void notice(const QString& line);
    // The start's registration (and any offer) ended: whether the keys open Vesk now.
    void settled(bool works);
    // The offer of a desktop shortcut ended, with the one line it said; empty when it said nothing.
    void desktopShortcutOffered(const QString& line);

private:
    using Registration = Hotkey::Registration;
    // Registers `keys` with each backend in turn until one has them; `done` receives the outcome
    // that says most about why not. A newer call makes an older one's outcome void.
    void registerKeys(const KeyChord& keys, std::function<void(Registration)> done);
    void tryBackends(QList<Hotkey*> order, const KeyChord& keys, quint64 round, Registration worst,
                     std::function<void(Registration)> done);
    // The start's keys could not be registered: the desktop's own settings are the last way.
    void tryDesktop(Registration failure);
    void offerDesktopShortcut(Registration failure);
    void fail(Registration failure);

    PlatformServices& platform;
    Defaults& defaults;
    Alerts& alerts;
    PresentationMode& presentation;
    KeyChord chord;
    bool trayHost = true;
    quint64 rounds = 0;
    // The desktop's shortcut settings are read and written here; it waits for them when it goes,
    // before the platform they use.
    QThreadPool desktopWork;
};

} // namespace vesk
