#include "LaunchSwitches.h"

#include "Environment.h"

namespace vesk {

LaunchSwitches::Surface LaunchSwitches::surfaceNamed(const QString& value)
{
    if (value == QStringLiteral("data"))
        return Surface::data;
    if (value == QStringLiteral("inbox"))
        return Surface::inbox;
    if (value == QStringLiteral("privacy"))
        return Surface::privacy;
    return Surface::none;
}

LaunchSwitches LaunchSwitches::fromEnvironment()
{
    LaunchSwitches s;
    s.selfCheck = environmentSwitch(QStringLiteral("VESK_INTERJECTION_SELFCHECK"));
    s.debug = veskEnvironment(QStringLiteral("VESK_APP_DEBUG")).has_value();
    s.onboardingPreview = environmentSwitch(QStringLiteral("VESK_ONBOARDING_PREVIEW"));
    s.firstRunPreview = environmentSwitch(QStringLiteral("VESK_FIRST_RUN_PREVIEW"));
    s.surface = surfaceNamed(veskEnvironment(QStringLiteral("VESK_SURFACE_PREVIEW")).value_or(QString()));
    if (const auto title = veskEnvironment(QStringLiteral("VESK_INTERJECTION_TEST_CONTEXT"));
        title && !title->isEmpty())
        s.interjections.testContext = *title;
    if (const auto asked = veskEnvironment(QStringLiteral("VESK_INTERJECTION_FIRST_PASS_SECONDS"))) {
        bool ok = false;
        const double seconds = asked->toDouble(&ok);
        if (ok && seconds >= 0)
            s.interjections.firstPassSeconds = seconds;
    }
    s.interjections.preview = environmentSwitch(QStringLiteral("VESK_INTERJECTION_PREVIEW"));
    return s;
}

} // namespace vesk
