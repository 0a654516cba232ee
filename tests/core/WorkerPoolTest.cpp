#include "WorkerPool.h"

#include <QTest>

#include <atomic>
#include <condition_variable>
#include <mutex>

using namespace vesk;

class WorkerPoolTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Tasks that hang on hold one worker each; while the kept workers are all taken, a further
    // task starts at once on a further thread, up to the most allowed, and those further threads
    // end once there is nothing left to do.
    void busyWorkersMakeRoomUpToTheMost_data()
    {
        QTest::addColumn<int>("kept");
        QTest::addColumn<int>("most");
        QTest::addColumn<int>("tasks");
        QTest::addColumn<int>("atOnce");
        QTest::newRow("one worker, one at a time") << 1 << 1 << 3 << 1;
        QTest::newRow("four kept, no more") << 4 << 4 << 6 << 4;
        QTest::newRow("further workers up to the most") << 2 << 5 << 8 << 5;
        QTest::newRow("no more threads than tasks") << 4 << 16 << 2 << 2;
    }
    void busyWorkersMakeRoomUpToTheMost()
    {
        QFETCH(int, kept);
        QFETCH(int, most);
        QFETCH(int, tasks);
        QFETCH(int, atOnce);
        std::mutex mutex;
        std::condition_variable opened;
        bool open = false;
        std::atomic<int> started = 0;
        std::atomic<int> finished = 0;
        WorkerPool pool(QStringLiteral("test.pool"), kept, most);
        QCOMPARE(pool.threads(), 0);
        for (int i = 0; i < tasks; ++i)
            pool.post([&] {
                ++started;
                std::unique_lock lock(mutex);
                opened.wait(lock, [&] { return open; });
                ++finished;
            });
        QCOMPARE(pool.threads(), atOnce);
        QTRY_COMPARE(started.load(), atOnce);
        {
            std::lock_guard lock(mutex);
            open = true;
        }
        opened.notify_all();
        QTRY_COMPARE(finished.load(), tasks);
        QTRY_COMPARE(pool.threads(), std::min(kept, atOnce));
    }
};

QTEST_GUILESS_MAIN(WorkerPoolTest)
#include "WorkerPoolTest.moc"
