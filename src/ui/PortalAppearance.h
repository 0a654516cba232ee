#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QPalette>
#include <optional>

class QDBusMessage;

namespace vesk {

// Follows the desktop's light/dark preference (the settings portal's "color-scheme": 0 no
// preference, 1 dark, 2 light) and turns it into the application palette, which is what Ink
// resolves against. The first read can take a while (the portal is started on demand), so it is
// asynchronous; without a session bus or portal nothing changes and the window palette decides.
class PortalAppearance : public QObject {
    Q_OBJECT
public:
    enum class Scheme { noPreference = 0, dark = 1, light = 2 };

    explicit PortalAppearance(QObject* parent = nullptr);

    // Starts the read and the subscription to changes, on the session bus or another.
    void start(QDBusConnection bus = QDBusConnection::sessionBus());
    // Applies a preference as if the portal had reported it (the screenshot tour uses this).
    void apply(Scheme scheme);

    // Palettes built from the Ink ground, surface and text colours.
    static QPalette palette(bool dark);

private slots:
    // Takes the whole message: Qt 6.4 refuses to connect a slot with a QDBusVariant parameter.
    void settingChanged(const QDBusMessage& message);

private:
    std::optional<QPalette> original;
};

} // namespace vesk
