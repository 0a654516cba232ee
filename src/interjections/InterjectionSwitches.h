#pragma once

#include <QString>
#include <optional>

namespace vesk {

// The launch switches the reminders obey, read once at launch and handed in.
struct InterjectionSwitches {
    static constexpr double firstPass = 45;
    static constexpr double testContextFirstPass = 1;

    // VESK_INTERJECTION_TEST_CONTEXT, set and not empty: a window title that stands in for the
    // window in front.
    std::optional<QString> testContext;
    // VESK_INTERJECTION_FIRST_PASS_SECONDS (the end-to-end tests): a number of seconds, at least 0.
    std::optional<double> firstPassSeconds;
    // VESK_INTERJECTION_PREVIEW is "1": a preview card at start that counts nothing.
    bool preview = false;

    // 45 seconds, 1 with a test context; the asked seconds only ever bring the first pass forward.
    double firstPassDelay() const
    {
        const double delay = testContext ? testContextFirstPass : firstPass;
        return firstPassSeconds && *firstPassSeconds < delay ? *firstPassSeconds : delay;
    }

    bool operator==(const InterjectionSwitches&) const = default;
};

} // namespace vesk
