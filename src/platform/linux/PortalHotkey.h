#pragma once

#include "PlatformServices.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QObject>
#include <QTimer>
#include <QVariantMap>

namespace vesk {

// The desktop portal's global shortcuts: the only way on Wayland, where no application may grab
// keys, and the desktop's own way elsewhere (its shortcut settings then manage the key). Vesk
// opens a session, asks to bind one shortcut with the chosen keys as its preferred trigger (the
// desktop or the user picks the real keys) and hears the presses as the portal's Activated signal.
// Every step is an asynchronous call answered by a Response signal on a request object, so the
// outcome reaches the caller later, through `settled`. A portal that answers yes without our
// shortcut in its answer bound nothing (KDE's before Plasma 6.1 leaves that to its settings).
class PortalHotkey final : public QObject, public Hotkey, protected QDBusContext {
    Q_OBJECT
public:
    // The shortcut's id within our session.
    static inline const QString shortcutId = QStringLiteral("ask");

    // `deadlineMs` bounds the whole registration, the user's choice in the desktop's dialog included.
    explicit PortalHotkey(QDBusConnection bus, int deadlineMs = 120000, QObject* parent = nullptr);

    Registration registerShortcut(const KeyChord& keys, const QObject* receiver, std::function<void()> pressed,
                                  std::function<void(Registration)> settled) override;
    // Closes the session, which unbinds its shortcut.
    void release() override;

private slots:
    void answered(uint response, const QVariantMap& results);
    void activated(const QDBusObjectPath& session, const QString& id, qulonglong timestamp, const QVariantMap& options);

private:
    // Calls a portal method whose answer comes as a Response on a request object named by `token`.
    void request(const QString& method, QVariantList arguments, std::function<void(uint, const QVariantMap&)> then);
    void listenOn(const QString& path);
    void bind(const KeyChord& keys);
    void settle(Registration outcome);

    QDBusConnection bus;
    QTimer deadline;
    QPointer<const QObject> receiver;
    std::function<void()> pressed;
    std::function<void(Registration)> settled;
    bool done = false;
    int tokens = 0;
    int sessions = 0;
    QString requestPath;
    std::function<void(uint, const QVariantMap&)> next;
    QString session;
};

} // namespace vesk
