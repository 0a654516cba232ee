// Request round trip through DaemonClient (connect, write, read, decode, delivery to the main
// thread's event loop) against its floor measured in the same run: the same POSIX exchange on a
// plain worker thread (a queue, a mutex, a condition variable) whose decoded reply is posted back
// to the main thread, which is what any request from a thread that must not block costs. The bare
// exchange on the calling thread is printed too, for reference: vesk may not make it, as it would
// hold the main thread. Also: decoding an 8 MB reply against a bare QJsonDocument parse, the same
// 8 MB over the socket against the worker floor, and the time quitting takes while every lane
// waits on a daemon that never accepts, against quitting an idle client.
#include "DaemonClient.h"
#include "FullQueue.h"
#include "Wire.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace vesk;
using vesk::test::FullQueue;

namespace {

sockaddr_un addressOf(const QByteArray& path)
{
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.constData(), static_cast<size_t>(path.size()));
    return addr;
}

// Answers every connection with `reply` after reading one line.
class Server {
public:
    Server(const QByteArray& path, QByteArray reply)
        : answer(std::move(reply))
    {
        fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const sockaddr_un addr = addressOf(path);
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 64) != 0) {
            std::perror("bench server");
            std::exit(1);
        }
        thread = std::thread([this] { run(); });
    }
    ~Server()
    {
        stopping = true;
        ::shutdown(fd, SHUT_RDWR);
        thread.join();
        ::close(fd);
    }
    void setReply(QByteArray r) { answer = std::move(r); }

private:
    void run()
    {
        char buf[4096];
        while (!stopping) {
            const int c = ::accept(fd, nullptr, nullptr);
            if (c < 0)
                continue;
            QByteArray line;
            ssize_t n;
            while ((n = ::recv(c, buf, sizeof buf, 0)) > 0) {
                line.append(buf, n);
                if (line.contains('\n'))
                    break;
            }
            const char* p = answer.constData();
            qsizetype left = answer.size();
            while (left > 0 && (n = ::send(c, p, static_cast<size_t>(left), MSG_NOSIGNAL)) > 0) {
                p += n;
                left -= n;
            }
            ::close(c);
        }
    }
    QByteArray answer;
    int fd = -1;
    std::atomic<bool> stopping{false};
    std::thread thread;
};

// The floor: the same exchange written directly against POSIX on the calling thread.
Reply rawExchange(const QByteArray& path, const QByteArray& request)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const sockaddr_un addr = addressOf(path);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return std::nullopt;
    }
    (void)!::send(fd, request.constData(), static_cast<size_t>(request.size()), MSG_NOSIGNAL);
    QByteArray buffer;
    char chunk[8192];
    ssize_t n;
    while ((n = ::recv(fd, chunk, sizeof chunk, 0)) > 0) {
        buffer.append(chunk, n);
        if (std::memchr(chunk, '\n', static_cast<size_t>(n)))
            break;
    }
    ::close(fd);
    const QJsonDocument doc = QJsonDocument::fromJson(buffer);
    if (!doc.isObject())
        return std::nullopt;
    return doc.object();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Runs `count` requests one after another through the client, each started by the previous
// completion, and returns the mean wall time per request in microseconds. `big`: the operation
// whose cap and kind fit the 8 MB reply (a search), else status.
double clientRun(DaemonClient& client, int count, bool big = false)
{
    QElapsedTimer timer;
    timer.start();
    int remaining = count;
    int failures = 0;
    std::function<void(Reply)> next;
    const auto send = [&] {
        if (big)
            client.search(QStringLiteral("entity"), 1000, QCoreApplication::instance(), next);
        else
            client.status(QCoreApplication::instance(), next);
    };
    next = [&](Reply r) {
        if (!r)
            ++failures;
        if (--remaining == 0) {
            QCoreApplication::quit();
            return;
        }
        send();
    };
    send();
    QCoreApplication::exec();
    if (failures)
        std::fprintf(stderr, "%d client requests failed\n", failures);
    return static_cast<double>(timer.nsecsElapsed()) / 1000.0 / count;
}

// The floor's worker: one thread taking tasks from a queue.
class PlainWorker {
public:
    PlainWorker()
        : thread([this] { run(); })
    {
    }
    ~PlainWorker()
    {
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        wake.notify_one();
        thread.join();
    }
    void post(std::function<void()> task)
    {
        {
            std::lock_guard lock(mutex);
            tasks.push_back(std::move(task));
        }
        wake.notify_one();
    }

private:
    void run()
    {
        for (;;) {
            std::function<void()> task;
            {
                std::unique_lock lock(mutex);
                wake.wait(lock, [this] { return stopping || !tasks.empty(); });
                if (tasks.empty())
                    return;
                task = std::move(tasks.front());
                tasks.pop_front();
            }
            task();
        }
    }
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> tasks;
    bool stopping = false;
    std::thread thread;
};

// The same requests, one after another, each made from the main thread: the bare exchange runs
// on the plain worker and its reply is posted back to the main thread's event loop.
double workerRun(PlainWorker& worker, const QByteArray& path, const QByteArray& request, int count)
{
    QElapsedTimer timer;
    timer.start();
    int remaining = count;
    std::function<void()> next = [&] {
        worker.post([&] {
            Reply reply = rawExchange(path, request);
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [&, reply = std::move(reply)] {
                    if (!reply)
                        std::fprintf(stderr, "a floor request failed\n");
                    if (--remaining == 0)
                        QCoreApplication::quit();
                    else
                        next();
                },
                Qt::QueuedConnection);
        });
    };
    next();
    QCoreApplication::exec();
    return static_cast<double>(timer.nsecsElapsed()) / 1000.0 / count;
}

double rawRun(const QByteArray& path, int count)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i)
        (void)rawExchange(path, QByteArrayLiteral("{\"op\":\"status\"}\n"));
    return static_cast<double>(timer.nsecsElapsed()) / 1000.0 / count;
}

QByteArray bigReply(qsizetype bytes)
{
    QByteArray out = "{\"kind\":\"search\",\"nodes\":[";
    int i = 0;
    while (out.size() < bytes) {
        if (i)
            out += ',';
        out += "{\"node_id\":" + QByteArray::number(i) + ",\"label\":\"entity number " + QByteArray::number(i)
            + "\",\"kind\":\"file\",\"sources\":" + QByteArray::number(i % 17) + ",\"score\":0."
            + QByteArray::number(i % 997) + "}";
        ++i;
    }
    return out + "]}\n";
}

// Milliseconds that destroying a client takes; a busy one first has its watch, an answer and a
// request each waiting to connect.
double quitTime(const QByteArray& path, bool busy)
{
    auto client = std::make_unique<DaemonClient>(QString::fromUtf8(path));
    if (busy) {
        client->watch(QCoreApplication::instance(), [](const DaemonClient::State&) {});
        client->ask(QStringLiteral("waits up to 180 s"), QCoreApplication::instance(), [](Reply) {});
        client->status(QCoreApplication::instance(), [](Reply) {});
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    QElapsedTimer timer;
    timer.start();
    client.reset();
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    QCoreApplication::processEvents(); // the completions, with nothing
    return ms;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QByteArray path = (dir.path() + QStringLiteral("/b.sock")).toUtf8();
    const QByteArray smallReply
        = "{\"kind\":\"status\",\"onboarded\":true,\"capture_paused\":false,\"frames\":48213,\"nodes\":912,"
          "\"pixel_bytes\":734003200,\"db_bytes\":91226112,\"injection_enabled\":true}\n";
    Server server(path, smallReply);
    DaemonClient client(QString::fromUtf8(path));

    // Short rounds, many of them, taken in turn: a burst of load from elsewhere lands on one round
    // of each side rather than on one side only.
    const int perRound = argc > 1 ? std::atoi(argv[1]) : 300;
    if (argc > 2) {
        PlainWorker w;
        const QByteArray st = QByteArrayLiteral("{\"op\":\"status\"}\n");
        if (argv[2][0] == 'c')
            std::printf("%.1f\n", clientRun(client, perRound));
        else if (argv[2][0] == 'w')
            std::printf("%.1f\n", workerRun(w, path, st, perRound));
        else
            std::printf("%.1f\n", rawRun(path, perRound));
        return 0;
    }
    const QByteArray status = QByteArrayLiteral("{\"op\":\"status\"}\n");
    PlainWorker worker;
    std::vector<double> ours, floor, bare;
    clientRun(client, 200); // warm up every path
    workerRun(worker, path, status, 200);
    rawRun(path, 200);
    for (int round = 0; round < 31; ++round) {
        ours.push_back(clientRun(client, perRound));
        floor.push_back(workerRun(worker, path, status, perRound));
        bare.push_back(rawRun(path, perRound));
    }
    const double roundTrip = median(ours) / median(floor);
    std::printf("round trip: DaemonClient %.1f us, raw POSIX client on a worker %.1f us, ratio %.2f (target <= 1.25); "
                "the raw exchange blocking the calling thread %.1f us\n",
                median(ours), median(floor), roundTrip, median(bare));

    const QByteArray big = bigReply(8 * 1024 * 1024);
    std::vector<double> decode, parse;
    // Alternate the order and drop each result before timing the next, so neither side pays for
    // the other's memory.
    for (int round = 0; round < 10; ++round) {
        for (int side = 0; side < 2; ++side) {
            const bool ours = (round + side) % 2 == 0;
            QElapsedTimer t;
            t.start();
            bool object;
            if (ours) {
                object = Wire::decodeReply(big).has_value();
                decode.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
            } else {
                object = QJsonDocument::fromJson(big).isObject();
                parse.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
            }
            if (!object)
                return 1;
        }
    }
    const double decodeRatio = median(decode) / median(parse);
    std::printf("8 MB reply: decodeReply %.1f ms, bare QJsonDocument parse %.1f ms, ratio %.2f (target <= 1.3)\n",
                median(decode), median(parse), decodeRatio);

    server.setReply(big);
    std::vector<double> whole, wholeFloor;
    const QByteArray search = QByteArrayLiteral("{\"op\":\"search\",\"limit\":1000,\"query\":\"entity\"}\n");
    for (int round = 0; round < 5; ++round) {
        whole.push_back(clientRun(client, 3, true) / 1000.0);
        wholeFloor.push_back(workerRun(worker, path, search, 3) / 1000.0);
    }
    std::printf("8 MB reply over the socket: DaemonClient %.1f ms, raw POSIX client on a worker %.1f ms, ratio %.2f\n",
                median(whole), median(wholeFloor), median(whole) / median(wholeFloor));

    const QByteArray fullPath = (dir.path() + QStringLiteral("/full.sock")).toUtf8();
    FullQueue full(fullPath);
    std::vector<double> busyQuit, idleQuit;
    for (int round = 0; round < 7; ++round) {
        busyQuit.push_back(quitTime(fullPath, true));
        idleQuit.push_back(quitTime(fullPath, false));
    }
    std::printf("quit while every lane waits on a full listen queue: %.2f ms, idle client %.2f ms, ratio %.1f "
                "(target: well under 1000 ms)\n",
                median(busyQuit), median(idleQuit), median(busyQuit) / median(idleQuit));
    return 0;
}
