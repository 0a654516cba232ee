#pragma once

#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace vesk {

// One worker thread running tasks strictly one after another, in the order they were posted.
class SerialQueue {
public:
    explicit SerialQueue(QString label);
    // Runs the tasks still queued, then joins the worker.
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
    std::thread worker;
};

} // namespace vesk
