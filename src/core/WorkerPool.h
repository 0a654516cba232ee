#pragma once

#include "UniqueFunction.h"

#include <QString>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

namespace vesk {

// Worker threads taking tasks in the order they were posted. With one worker (the default) the
// tasks run strictly one after another. With more, up to that many run side by side, so one slow
// task holds one worker, not the ones posted after it; and when `most` is larger, a task posted
// while every worker is busy starts at once on a further thread, up to `most` in all, so tasks
// that hang on for a long time cannot keep the others from starting. Such a further thread ends
// as soon as it finds nothing to do. Threads start when the first task comes. A task posted while
// workers wait goes to the one that began waiting last: its thread and its cache are still warm,
// where waking the longest idle one would move every short task to another thread and core.
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
    // One waiting worker, on its own thread's stack; the task is handed to it directly.
    struct Sleeper {
        std::condition_variable wake;
        Task task;
        bool woken = false;
    };
    void run();

    QString name;
    const int kept;
    const int most;
    mutable std::mutex mutex;
    std::condition_variable ended;
    // Only while no worker waits: a worker waits only when nothing is queued.
    std::deque<Task> tasks;
    // The waiting workers, the last to begin waiting at the back.
    std::vector<Sleeper*> sleeping;
    int alive = 0;
    bool closing = false;
};

} // namespace vesk
