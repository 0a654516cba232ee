#include "PortalAppearance.h"

#include "Ink.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace vesk {

namespace {
const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
const QString path = QStringLiteral("/org/freedesktop/portal/desktop");
const QString interface = QStringLiteral("org.freedesktop.portal.Settings");
const QString group = QStringLiteral("org.freedesktop.appearance");
const QString key = QStringLiteral("color-scheme");

// The portal wraps the value in one or two variants depending on its version.
std::optional<uint> unwrap(QVariant v)
{
    for (int depth = 0; depth < 3 && v.canConvert<QDBusVariant>() && v.userType() == qMetaTypeId<QDBusVariant>();
         ++depth)
        v = v.value<QDBusVariant>().variant();
    bool ok = false;
    const uint value = v.toUInt(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}
} // namespace

PortalAppearance::PortalAppearance(QObject* parent)
    : QObject(parent)
{
}

void PortalAppearance::start(QDBusConnection bus)
{
    if (!bus.isConnected())
        return;
    bus.connect(service, path, interface, QStringLiteral("SettingChanged"), this, SLOT(settingChanged(QDBusMessage)));
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Read"));
    call << group << key;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusMessage reply = w->reply();
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return;
        if (const auto value = unwrap(reply.arguments().first()); value && *value <= 2)
            apply(static_cast<Scheme>(*value));
    });
}

void PortalAppearance::settingChanged(const QDBusMessage& message)
{
    // (s namespace, s key, v value)
    const QVariantList arguments = message.arguments();
    if (arguments.size() != 3 || arguments[0].toString() != group || arguments[1].toString() != key)
        return;
    if (const auto v = unwrap(arguments[2]); v && *v <= 2)
        apply(static_cast<Scheme>(*v));
}

void PortalAppearance::apply(Scheme scheme)
{
    if (!original)
        original = QApplication::palette();
    switch (scheme) {
    case Scheme::noPreference:
        QApplication::setPalette(*original);
        break;
    case Scheme::dark:
        QApplication::setPalette(palette(true));
        break;
    case Scheme::light:
        QApplication::setPalette(palette(false));
        break;
    }
}

QPalette PortalAppearance::palette(bool dark)
{
    QPalette p;
    const QColor ground = Ink::ground().resolve(dark);
    const QColor surface = Ink::surface().resolve(dark);
    const QColor text = Ink::text().resolve(dark);
    const QColor muted = Ink::muted().resolve(dark);
    p.setColor(QPalette::Window, ground);
    p.setColor(QPalette::Base, surface);
    p.setColor(QPalette::AlternateBase, Ink::sunken().resolve(dark));
    p.setColor(QPalette::Button, surface);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::ToolTipBase, surface);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, muted);
    p.setColor(QPalette::Highlight, Ink::agent().resolve(dark));
    p.setColor(QPalette::HighlightedText, ground);
    p.setColor(QPalette::Disabled, QPalette::WindowText, muted);
    p.setColor(QPalette::Disabled, QPalette::Text, muted);
    p.setColor(QPalette::Disabled, QPalette::ButtonText, muted);
    // The bevel roles: disabled text is etched with Light, so it must match the ground.
    p.setColor(QPalette::Light, surface);
    p.setColor(QPalette::Midlight, Ink::sunken().resolve(dark));
    p.setColor(QPalette::Mid, Ink::line().resolve(dark));
    p.setColor(QPalette::Dark, Ink::line().resolve(dark));
    p.setColor(QPalette::Shadow, Ink::text2().resolve(!dark));
    return p;
}

} // namespace vesk
