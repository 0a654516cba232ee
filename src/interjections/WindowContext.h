#pragma once

#include <QString>
#include <optional>

namespace vesk {

// What a decision pass found in front: what to search for, the text shown as "Related to …", and
// the application id used to check later that the same application is still in front.
struct WindowContext {
    QString query;
    QString display;
    std::optional<QString> bundleID;
    bool operator==(const WindowContext&) const = default;
};

} // namespace vesk
