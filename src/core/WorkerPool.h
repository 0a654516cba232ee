#pragma once

#include "UniqueFunction.h"

#include <QString>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace vesk {

// Worker threads taking tasks in the order they were posted. With one worker (the default) the
// tasks run strictly one after another; with more, up to that many run side by side, so one slow
// task holds one worker, not the ones posted after it.
class WorkerPool {
public:
    using Task = UniqueFunction<void()>;

    explicit WorkerPool(QString label, int workers = 1);
    // Runs the tasks still queued, then joins the workers.
    ~WorkerPool();

    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    void post(Task task);
    const QString& label() const { return name; }

private:
    void run();

    QString name;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Task> tasks;
    bool closing = false;
    std::vector<std::thread> threads;
};

} // namespace vesk
