#pragma once
// What the stall benchmarks share: the longest main-thread stall while a scenario runs, the median
// of rounds, and this process's memory.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <time.h>
#include <vector>

// The biggest gap, in ms, between two beats of a 1 ms timer from `start()` until `done()` holds,
// and then for `settleMs` more (until the window has painted what it built): a stall at the very
// end counts too. `busyMs`, when given, gets the most CPU time the main thread itself spent between
// two beats: on a loaded machine a gap can be the scheduler's, and this tells the two apart.
inline double longestStall(const std::function<void()>& start, const std::function<bool()>& done, int settleMs = 0,
                           double* busyMs = nullptr)
{
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 worst = 0;
    const auto cpuNs = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
    };
    qint64 lastCpu = 0, worstCpu = 0;
    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    beat.setInterval(1);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        worst = std::max(worst, now - last);
        last = now;
        const qint64 cpu = cpuNs();
        worstCpu = std::max(worstCpu, cpu - lastCpu);
        lastCpu = cpu;
    });
    // What the previous scenario left behind (deletions, freed memory) is not this one's stall.
    QElapsedTimer idle;
    idle.start();
    while (idle.elapsed() < 200)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    clock.start();
    lastCpu = cpuNs();
    beat.start();
    start();
    QElapsedTimer limit;
    limit.start();
    while (!done()) {
        if (limit.elapsed() > 120000) {
            std::fprintf(stderr, "a scenario did not finish within 120 s\n");
            std::exit(1);
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < settleMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    worst = std::max(worst, clock.nsecsElapsed() - last);
    worstCpu = std::max(worstCpu, cpuNs() - lastCpu);
    if (busyMs)
        *busyMs = worstCpu / 1e6;
    return worst / 1e6;
}

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Starts this process's peak (VmHWM) afresh at what it holds now, so a scenario's peak is its own.
inline void restartPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

// Kilobytes of this process's memory by its /proc/self/status key ("VmHWM": peak, "VmRSS": now).
inline long memoryKb(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qstrlen(key) + 1).trimmed().split(' ').value(0).toLong();
    return -1;
}
