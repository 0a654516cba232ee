#include "WorkerPool.h"

#include <algorithm>
#include <thread>

#include <pthread.h>

namespace vesk {

WorkerPool::WorkerPool(QString label, int workers, int most)
    : name(std::move(label))
    , kept(std::max(1, workers))
    , most(std::max(kept, most))
{
}

WorkerPool::~WorkerPool()
{
    std::unique_lock lock(mutex);
    closing = true;
    wake.notify_all();
    ended.wait(lock, [this] { return alive == 0; });
}

int WorkerPool::threads() const
{
    std::lock_guard lock(mutex);
    return alive;
}

void WorkerPool::post(Task task)
{
    {
        std::lock_guard lock(mutex);
        tasks.push_back(std::move(task));
        // Every idle worker already has a task waiting for it: this one needs a thread of its own.
        if (tasks.size() <= static_cast<size_t>(idle) || alive >= most) {
            wake.notify_one();
            return;
        }
        ++alive;
    }
    std::thread thread([this] { run(); });
    // Thread names are limited to 15 bytes; the tail of the label is what tells lanes apart.
    pthread_setname_np(thread.native_handle(), name.toUtf8().right(15).constData());
    thread.detach();
}

void WorkerPool::run()
{
    std::unique_lock lock(mutex);
    for (;;) {
        if (tasks.empty()) {
            // Threads past the kept ones end at once; the rest end when the pool does.
            if (closing || alive > kept)
                break;
            ++idle;
            wake.wait(lock, [this] { return closing || !tasks.empty(); });
            --idle;
            continue;
        }
        Task task = std::move(tasks.front());
        tasks.pop_front();
        lock.unlock();
        task();
        task = {};
        lock.lock();
    }
    --alive;
    ended.notify_all();
}

} // namespace vesk
