#include "WorkerPool.h"

#include <algorithm>

#include <pthread.h>

namespace vesk {

WorkerPool::WorkerPool(QString label, int workers)
    : name(std::move(label))
{
    // Thread names are limited to 15 bytes; the tail of the label is what tells lanes apart.
    const QByteArray shortName = name.toUtf8().right(15);
    for (int i = 0; i < std::max(1, workers); ++i) {
        threads.emplace_back([this] { run(); });
        pthread_setname_np(threads.back().native_handle(), shortName.constData());
    }
}

WorkerPool::~WorkerPool()
{
    {
        std::lock_guard lock(mutex);
        closing = true;
    }
    wake.notify_all();
    for (std::thread& t : threads)
        t.join();
}

void WorkerPool::post(Task task)
{
    {
        std::lock_guard lock(mutex);
        tasks.push_back(std::move(task));
    }
    wake.notify_one();
}

void WorkerPool::run()
{
    for (;;) {
        Task task;
        {
            std::unique_lock lock(mutex);
            wake.wait(lock, [this] { return closing || !tasks.empty(); });
            if (tasks.empty())
                return;
            task = std::move(tasks.front());
            tasks.pop_front();
        }
        task();
    }
}

} // namespace vesk
