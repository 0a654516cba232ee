#pragma once

#include "InterjectionSwitches.h"

#include <QString>

namespace vesk {

// Every environment switch, read once at launch (each with the legacy QEV_ fallback) and handed to
// whatever obeys it.
struct LaunchSwitches {
    enum class Surface { none, data, inbox, privacy };

    bool selfCheck = false;          // VESK_INTERJECTION_SELFCHECK is "1"
    bool debug = false;              // VESK_APP_DEBUG is present, with any value
    bool onboardingPreview = false;  // VESK_ONBOARDING_PREVIEW is "1"
    bool firstRunPreview = false;    // VESK_FIRST_RUN_PREVIEW is "1"
    Surface surface = Surface::none; // VESK_SURFACE_PREVIEW: "data", "inbox" or "privacy"
    InterjectionSwitches interjections;

    static LaunchSwitches fromEnvironment();
    static Surface surfaceNamed(const QString& value);

    bool operator==(const LaunchSwitches&) const = default;
};

} // namespace vesk
