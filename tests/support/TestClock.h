#pragma once

#include "Clock.h"

#include <QPointer>
#include <functional>
#include <vector>

namespace vesk::test {

// A settable clock: now() is whatever the test set, and delayed work runs only when the test
// advances time past it (in due order), on the calling thread.
class TestClock final : public Clock {
public:
    explicit TestClock(QDateTime start = QDateTime(QDate(2026, 3, 2), QTime(14, 5)))
        : current(std::move(start))
    {
    }

    QDateTime now() const override { return current; }
    void set(const QDateTime& t) { current = t; }

    void after(double seconds, QObject* context, std::function<void()> work) override
    {
        record(seconds);
        pending.push_back({current.addMSecs(static_cast<qint64>(seconds * 1000.0)), seconds, QPointer<QObject>(context),
                           context != nullptr, std::move(work)});
    }

    // Delays asked for so far, in seconds, in the order they were asked.
    std::vector<double> delays() const
    {
        std::vector<double> out;
        for (const auto& p : history)
            out.push_back(p);
        return out;
    }
    int pendingCount() const { return static_cast<int>(pending.size()); }

    // Moves time forward, running every piece of delayed work that falls due, earliest first
    // (work scheduled while running is included when it falls due within the same advance).
    void advance(double seconds)
    {
        const QDateTime end = current.addMSecs(static_cast<qint64>(seconds * 1000.0));
        for (;;) {
            auto next = pending.end();
            for (auto it = pending.begin(); it != pending.end(); ++it)
                if (it->due <= end && (next == pending.end() || it->due < next->due))
                    next = it;
            if (next == pending.end())
                break;
            Pending p = std::move(*next);
            pending.erase(next);
            current = p.due;
            if (!p.hadContext || p.context)
                p.work();
        }
        current = end;
    }

private:
    struct Pending {
        QDateTime due;
        double seconds;
        QPointer<QObject> context;
        bool hadContext;
        std::function<void()> work;
    };

    void record(double s) { history.push_back(s); }

    QDateTime current;
    std::vector<Pending> pending;
    std::vector<double> history;
};

} // namespace vesk::test
