#pragma once

#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace vesk {

// Worker threads taking tasks in the order they were posted. With one worker (the default) the
// tasks run strictly one after another; with more, up to that many run side by side, so one slow
// task holds one worker, not the ones posted after it.
class SerialQueue {
public:
    explicit SerialQueue(QString label, int workers = 1);
    // Runs the tasks still queued, then joins the workers.
    ~SerialQueue();

    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    void post(std::function<void()> task);
    const QString& label() const { return name; }

private:
    void run();

    QString name;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> tasks;
    bool closing = false;
    std::vector<std::thread> threads;
};

} // namespace vesk
