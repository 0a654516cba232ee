#include "Clock.h"

#include <QTimer>
#include <cmath>

namespace vesk {

namespace {
class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    void after(double seconds, QObject* context, std::function<void()> work) override
    {
        const int ms = static_cast<int>(std::lround(std::max(0.0, seconds) * 1000.0));
        QTimer::singleShot(ms, context, std::move(work));
    }
};
} // namespace

Clock& systemClock()
{
    static SystemClock clock;
    return clock;
}

} // namespace vesk
