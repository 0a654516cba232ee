#pragma once

#include "PlatformServices.h"
#include "WindowContext.h"

#include <QString>
#include <optional>
#include <variant>

namespace vesk {

// What is in front, as a decision pass may use it: a search query and a display text, or the
// reason to stay quiet. Read from the platform's foreground window before any window of ours
// shows, since ours would then be in front.
class ForegroundContext {
public:
    // A decision pass found nothing it may speak about; the note says why.
    struct Quiet {
        QString note;
        bool operator==(const Quiet&) const = default;
    };
    using Result = std::variant<WindowContext, Quiet>;

    // `ownApplicationId` and `ownPid` recognise our own windows; a `testTitle` stands in for the
    // window in front.
    ForegroundContext(ForegroundWindow& window, QString ownApplicationId, qint64 ownPid,
                      std::optional<QString> testTitle = std::nullopt);

    Result read();
    // The application id in front now, to check that the context is still fresh.
    std::optional<QString> frontApplicationId();

    // The decision on a reading (pure).
    static Result decide(const std::optional<ForegroundApp>& front, const QString& ownApplicationId,
                         std::optional<qint64> ownPid);
    // The title's part before the first separator (" — ", " – ", " - ") that is at least 3
    // characters, else the whole title trimmed.
    static QString searchQuery(const QString& title);
    // Meeting and presentation applications, by their macOS and Linux ids.
    static bool isMeetingApp(const QString& applicationId);
    // "QA · " and the test title.
    static WindowContext testContext(const QString& title);

private:
    ForegroundWindow& window;
    QString ownApplicationId;
    qint64 ownPid;
    std::optional<QString> testTitle;
};

} // namespace vesk
