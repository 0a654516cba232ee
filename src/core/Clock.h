#pragma once

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <functional>

namespace vesk {

// Time and delayed work go through this seam so that tests can set the hour and run retries
// without waiting. Delayed work always runs on the main thread.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // Runs `work` once after `seconds`, unless `context` is destroyed first.
    virtual void after(double seconds, QObject* context, std::function<void()> work) = 0;
};

// The wall clock and QTimer.
Clock& systemClock();

} // namespace vesk
