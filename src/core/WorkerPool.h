#pragma once

#include "UniqueFunction.h"

#include <QString>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace vesk {

// Worker threads taking tasks in the order they were posted. With one worker (the default) the
// tasks run strictly one after another. With more, up to that many run side by side, so one slow
// task holds one worker, not the ones posted after it; and when `most` is larger, a task posted
// while every worker is busy starts at once on a further thread, up to `most` in all, so tasks
// that hang on for a long time cannot keep the others from starting. Such a further thread ends
// as soon as it finds nothing to do. Threads start when the first task comes.
class WorkerPool {
public:
    using Task = UniqueFunction<void()>;

    explicit WorkerPool(QString label, int workers = 1, int most = 0);
    // Runs the tasks still queued, then waits for every worker to end.
    ~WorkerPool();

    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    void post(Task task);
    const QString& label() const { return name; }
    // Threads running now (tests).
    int threads() const;

private:
    void run();

    QString name;
    const int kept;
    const int most;
    mutable std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable ended;
    std::deque<Task> tasks;
    int alive = 0;
    int idle = 0;
    bool closing = false;
};

} // namespace vesk
