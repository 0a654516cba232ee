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
    for (Sleeper* waiting : sleeping) {
        waiting->woken = true;
        waiting->wake.notify_one();
    }
    sleeping.clear();
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
        if (!sleeping.empty()) {
            Sleeper* sleeper = sleeping.back();
            sleeping.pop_back();
            sleeper->task = std::move(task);
            sleeper->woken = true;
            sleeper->wake.notify_one();
            return;
        }
        // No worker waits: a busy one takes it when done, or it needs a thread of its own.
        tasks.push_back(std::move(task));
        if (alive >= most)
            return;
        ++alive;
    }
    std::thread thread([this] { run(); });
    // Thread names are limited to 15 bytes; the tail of the label is what tells lanes apart.
    pthread_setname_np(thread.native_handle(), name.toUtf8().right(15).constData());
    thread.detach();
}

void WorkerPool::run()
{
    Sleeper self;
    std::unique_lock lock(mutex);
    for (;;) {
        Task task;
        if (!tasks.empty()) {
            task = std::move(tasks.front());
            tasks.pop_front();
        } else {
            // Threads past the kept ones end at once; the rest end when the pool does.
            if (closing || alive > kept)
                break;
            sleeping.push_back(&self);
            self.wake.wait(lock, [&self] { return self.woken; });
            self.woken = false;
            task = std::move(self.task);
            self.task = {};
            if (!task)
                continue;
        }
        lock.unlock();
        task();
        task = {};
        lock.lock();
    }
    --alive;
    ended.notify_all();
}

} // namespace vesk
