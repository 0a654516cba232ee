// Request round trip through DaemonClient (connect, write, read, decode, main-thread delivery)
// against a bare POSIX client doing the same work against the same server in the same run, the
// cost of decoding an 8 MB reply against a bare QJsonDocument parse, and the time quitting takes
// while every lane waits on a daemon that never accepts, against quitting an idle client.
#include "DaemonClient.h"
#include "FullQueue.h"
#include "Wire.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
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
// completion, and returns the mean wall time per request in microseconds.
double clientRun(DaemonClient& client, int count)
{
    QElapsedTimer timer;
    timer.start();
    int remaining = count;
    int failures = 0;
    std::function<void(Reply)> next;
    next = [&](Reply r) {
        if (!r)
            ++failures;
        if (--remaining == 0) {
            QCoreApplication::quit();
            return;
        }
        client.status(QCoreApplication::instance(), next);
    };
    client.status(QCoreApplication::instance(), next);
    QCoreApplication::exec();
    if (failures)
        std::fprintf(stderr, "%d client requests failed\n", failures);
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

    const int perRound = argc > 1 ? std::atoi(argv[1]) : 1500;
    std::vector<double> ours, floor;
    clientRun(client, 200); // warm up both paths
    rawRun(path, 200);
    for (int round = 0; round < 7; ++round) {
        ours.push_back(clientRun(client, perRound));
        floor.push_back(rawRun(path, perRound));
    }
    const double roundTrip = median(ours) / median(floor);
    std::printf("round trip: DaemonClient %.1f us, raw POSIX client %.1f us, ratio %.2f (target <= 1.5)\n",
                median(ours), median(floor), roundTrip);

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
    for (int round = 0; round < 5; ++round) {
        whole.push_back(clientRun(client, 3) / 1000.0);
        wholeFloor.push_back(rawRun(path, 3) / 1000.0);
    }
    std::printf("8 MB reply over the socket: DaemonClient %.1f ms, raw POSIX client %.1f ms, ratio %.2f\n",
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
