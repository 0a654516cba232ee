#include "PortalHotkey.h"

#include <QDBusArgument>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <algorithm>

namespace {

// One element of BindShortcuts' a(sa{sv}): the shortcut's id and its description and trigger.
struct PortalShortcut {
    QString id;
    QVariantMap options;
};

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.options;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.options;
    argument.endStructure();
    return argument;
}

} // namespace

Q_DECLARE_METATYPE(PortalShortcut)

namespace vesk {

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");

// A portal without the interface (GNOME's) answers that it knows no such method; no portal at all
// has no one to answer.
Hotkey::Registration failureOf(const QDBusError& error)
{
    switch (error.type()) {
    case QDBusError::UnknownMethod:
    case QDBusError::UnknownInterface:
    case QDBusError::UnknownObject:
        return Hotkey::Registration::unsupported;
    default:
        return Hotkey::Registration::unavailable;
    }
}

// The session handle arrives as a string (as documented) or, from some backends, as an object path.
QString pathOf(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

} // namespace

PortalHotkey::PortalHotkey(QDBusConnection bus, int deadlineMs, QObject* parent)
    : QObject(parent)
    , bus(std::move(bus))
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    deadline.setSingleShot(true);
    deadline.setInterval(deadlineMs);
    // A desktop that never answers leaves the shortcut unregistered, and says so.
    connect(&deadline, &QTimer::timeout, this, [this] { settle(Registration::unavailable); });
}

Hotkey::Registration PortalHotkey::registerShortcut(const KeyChord& keys, const QObject* receiver,
                                                    std::function<void()> pressed,
                                                    std::function<void(Registration)> settled)
{
    release();
    this->receiver = receiver;
    this->pressed = std::move(pressed);
    this->settled = std::move(settled);
    done = false;
    if (!bus.isConnected())
        return Registration::unavailable;
    deadline.start();
    request(QStringLiteral("CreateSession"),
            {QVariantMap{{QStringLiteral("session_handle_token"), QStringLiteral("vesk%1").arg(++sessions)}}},
            [this, keys](uint response, const QVariantMap& results) {
                session = pathOf(results.value(QStringLiteral("session_handle")));
                // No session is no decision of the user's: a backend that failed (KDE's does without a
                // display), so the next way may still work.
                if (response != 0 || session.isEmpty())
                    return settle(Registration::unavailable);
                bus.connect(QString(), portalPath, shortcutsInterface, QStringLiteral("Activated"), this,
                            SLOT(activated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
                bind(keys);
            });
    return Registration::pending;
}

void PortalHotkey::release()
{
    // A registration still on its way ends here, unanswered.
    done = true;
    next = {};
    deadline.stop();
    if (session.isEmpty())
        return;
    bus.disconnect(QString(), portalPath, shortcutsInterface, QStringLiteral("Activated"), this,
                   SLOT(activated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    bus.asyncCall(QDBusMessage::createMethodCall(portalService, std::exchange(session, {}),
                                                 QStringLiteral("org.freedesktop.portal.Session"),
                                                 QStringLiteral("Close")));
}

void PortalHotkey::bind(const KeyChord& keys)
{
    const QVariantMap options{{QStringLiteral("description"), QStringLiteral("Open the Vesk ask panel")},
                              {QStringLiteral("preferred_trigger"), keys.portalTrigger()}};
    const QList<PortalShortcut> shortcuts{{shortcutId, options}};
    request(QStringLiteral("BindShortcuts"),
            {QVariant::fromValue(QDBusObjectPath(session)), QVariant::fromValue(shortcuts), QString(), QVariantMap()},
            [this](uint response, const QVariantMap& results) {
                // 1: the user cancelled the desktop's dialog; 2: the request ended otherwise.
                if (response == 1)
                    return settle(Registration::refused);
                if (response != 0)
                    return settle(Registration::unavailable);
                const auto bound = qdbus_cast<QList<PortalShortcut>>(results.value(QStringLiteral("shortcuts")));
                const bool ours = std::any_of(bound.begin(), bound.end(),
                                              [](const PortalShortcut& s) { return s.id == shortcutId; });
                settle(ours ? Registration::registered : Registration::unbound);
            });
}

void PortalHotkey::request(const QString& method, QVariantList arguments,
                           std::function<void(uint, const QVariantMap&)> then)
{
    const QString token = QStringLiteral("vesk%1").arg(++tokens);
    // The options are the last argument of every such method; the token names the request object.
    QVariantMap options = arguments.takeLast().toMap();
    options.insert(QStringLiteral("handle_token"), token);
    arguments.append(options);
    next = std::move(then);
    // Listen before calling: the Response may follow the call's reply at once. The request's path is
    // predictable from our unique name and the token.
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    listenOn(portalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token);

    QDBusMessage call = QDBusMessage::createMethodCall(portalService, portalPath, shortcutsInterface, method);
    call.setArguments(arguments);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, deadline.interval()), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
        if (reply.isError())
            return settle(failureOf(reply.error()));
        // An older portal may choose another path than the one predicted.
        if (reply.value().path() != requestPath)
            listenOn(reply.value().path());
    });
}

void PortalHotkey::listenOn(const QString& path)
{
    // Earlier requests stay subscribed: a request object answers once, and answered() only heeds the
    // current one.
    requestPath = path;
    bus.connect(QString(), requestPath, requestInterface, QStringLiteral("Response"), this,
                SLOT(answered(uint, QVariantMap)));
}

void PortalHotkey::answered(uint response, const QVariantMap& results)
{
    if (message().path() != requestPath || !next || done)
        return;
    auto then = std::exchange(next, {});
    then(response, results);
}

void PortalHotkey::activated(const QDBusObjectPath& from, const QString& id, qulonglong, const QVariantMap&)
{
    if (from.path() == session && id == shortcutId && receiver && pressed)
        pressed();
}

void PortalHotkey::settle(Registration outcome)
{
    if (done)
        return;
    done = true;
    deadline.stop();
    if (receiver && settled)
        settled(outcome);
}

} // namespace vesk
