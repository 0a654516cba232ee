#include "FakeDaemon.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

#include <cerrno>
#include <chrono>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace vesk::test {

namespace {

bool sendAll(int fd, const char* p, qsizetype n)
{
    while (n > 0) {
        const ssize_t w = ::send(fd, p, static_cast<size_t>(n), MSG_NOSIGNAL);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        p += w;
        n -= w;
    }
    return true;
}

QString opOf(const QByteArray& line)
{
    const QJsonDocument doc = QJsonDocument::fromJson(line);
    return doc.isObject() ? doc.object().value(QStringLiteral("op")).toString() : QString();
}

} // namespace

FakeDaemon::FakeDaemon()
    : dir(std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/vfd-XXXXXX")))
{
    socketPath = dir->path() + QStringLiteral("/veskd.sock");
    start();
}

FakeDaemon::FakeDaemon(const QString& path)
    : socketPath(path)
{
    start();
}

FakeDaemon::~FakeDaemon()
{
    stop();
}

void FakeDaemon::start()
{
    std::lock_guard lock(mutex);
    if (running)
        return;
    QDir().mkpath(QFileInfo(socketPath).absolutePath());
    const QByteArray address = socketPath.toUtf8();
    ::unlink(address.constData());
    listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, address.constData(), std::min<size_t>(address.size(), sizeof addr.sun_path - 1));
    if (::bind(listenFd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listenFd, 128) != 0)
        qFatal("FakeDaemon: cannot listen on %s: %s", address.constData(), std::strerror(errno));
    if (::pipe2(wakeFds, O_CLOEXEC) != 0)
        qFatal("FakeDaemon: pipe failed");
    running = true;
    acceptor = std::thread([this, fd = listenFd] { acceptLoop(fd); });
}

void FakeDaemon::stop()
{
    std::vector<std::thread> toJoin;
    {
        std::lock_guard lock(mutex);
        if (!running)
            return;
        running = false;
        const char byte = 0;
        (void)!::write(wakeFds[1], &byte, 1);
    }
    stopped.notify_all();
    acceptor.join();
    {
        std::lock_guard lock(mutex);
        for (int fd : openFds)
            ::shutdown(fd, SHUT_RDWR);
        toJoin.swap(workers);
    }
    for (auto& t : toJoin)
        t.join();
    std::lock_guard lock(mutex);
    ::close(listenFd);
    ::close(wakeFds[0]);
    ::close(wakeFds[1]);
    listenFd = wakeFds[0] = wakeFds[1] = -1;
    ::unlink(socketPath.toUtf8().constData());
}

void FakeDaemon::acceptLoop(int fd)
{
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFds[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno == EINTR)
            continue;
        if (fds[1].revents)
            return;
        if (!(fds[0].revents & POLLIN))
            continue;
        const int client = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        std::lock_guard lock(mutex);
        openFds.push_back(client);
        workers.emplace_back([this, client] { serve(client); });
    }
}

FakeDaemon::Script FakeDaemon::scriptFor(const QString& op)
{
    auto it = scripts.find(op);
    if (it == scripts.end() || it->second.isEmpty())
        return Script{QByteArrayLiteral("{\"kind\":\"error\",\"message\":\"unscripted\"}\n")};
    if (it->second.size() > 1)
        return it->second.takeFirst();
    return it->second.first();
}

void FakeDaemon::serve(int fd)
{
    auto finish = [this, fd] {
        std::lock_guard lock(mutex);
        std::erase(openFds, fd);
        std::erase(watchFds, fd);
        ::close(fd);
    };

    QByteArray line;
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        line.append(chunk, n);
        if (line.contains('\n'))
            break;
    }
    const qsizetype end = line.indexOf('\n');
    if (end < 0) {
        finish();
        return;
    }
    line.truncate(end);
    const QString op = opOf(line);

    Script s;
    {
        std::lock_guard lock(mutex);
        received.append(line);
        if (op == QStringLiteral("watch")) {
            watchFds.push_back(fd);
            ++watchEverConnected;
            sendAll(fd, greeting.constData(), greeting.size());
        } else {
            s = scriptFor(op);
        }
    }

    if (op == QStringLiteral("watch")) {
        // Hold the stream open until the client goes away or the test closes it.
        while (::recv(fd, chunk, sizeof chunk, 0) > 0) { }
        finish();
        return;
    }

    {
        std::unique_lock lock(mutex);
        const auto delay = std::chrono::milliseconds(static_cast<qint64>(s.delaySeconds * 1000));
        if (s.mode == Mode::Silent)
            stopped.wait(lock, [this] { return !running; });
        else if (delay.count() > 0)
            stopped.wait_for(lock, delay, [this] { return !running; });
    }

    if (send(fd, s) && s.holdOpen) {
        // Hold the connection until the client closes it or the daemon stops.
        while (::recv(fd, chunk, sizeof chunk, 0) > 0) { }
    }
    finish();
}

bool FakeDaemon::send(int fd, const Script& s)
{
    if (s.mode == Mode::Silent || s.mode == Mode::Close)
        return false;
    const qsizetype cut = std::min(s.fillAt, s.reply.size());
    if (s.mode == Mode::Reply) {
        const QByteArray fill(std::min<qint64>(s.fill, 1 << 20), 'x');
        if (!sendAll(fd, s.reply.constData(), cut))
            return false;
        for (qint64 left = s.fill; left > 0; left -= fill.size())
            if (!sendAll(fd, fill.constData(), std::min<qint64>(left, fill.size())))
                return false;
        return sendAll(fd, s.reply.constData() + cut, s.reply.size() - cut);
    }
    const auto gap = std::chrono::microseconds(static_cast<qint64>(s.gapSeconds * 1e6));
    for (qsizetype at = 0; at < s.reply.size(); at += s.chunk) {
        if (!sendAll(fd, s.reply.constData() + at, std::min<qsizetype>(s.chunk, s.reply.size() - at)))
            return false;
        std::unique_lock lock(mutex);
        if (stopped.wait_for(lock, gap, [this] { return !running; }))
            return false;
    }
    return true;
}

void FakeDaemon::script(const QString& op, Script s)
{
    std::lock_guard lock(mutex);
    scripts[op] = {std::move(s)};
}

void FakeDaemon::reply(const QString& op, const QJsonObject& object, double delaySeconds)
{
    script(op, Script{QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n', Mode::Reply, delaySeconds});
}

void FakeDaemon::replyRaw(const QString& op, const QByteArray& bytes, double delaySeconds)
{
    script(op, Script{bytes, Mode::Reply, delaySeconds});
}

void FakeDaemon::sequence(const QString& op, QList<Script> list)
{
    std::lock_guard lock(mutex);
    scripts[op] = std::move(list);
}

void FakeDaemon::silent(const QString& op)
{
    script(op, Script{{}, Mode::Silent});
}

void FakeDaemon::closeEarly(const QString& op)
{
    script(op, Script{{}, Mode::Close});
}

QList<QByteArray> FakeDaemon::requests() const
{
    std::lock_guard lock(mutex);
    return received;
}

QList<QByteArray> FakeDaemon::requests(const QString& op) const
{
    std::lock_guard lock(mutex);
    QList<QByteArray> out;
    for (const QByteArray& line : received)
        if (opOf(line) == op)
            out.append(line);
    return out;
}

int FakeDaemon::count(const QString& op) const
{
    return static_cast<int>(requests(op).size());
}

void FakeDaemon::setWatchGreeting(const QByteArray& bytes)
{
    std::lock_guard lock(mutex);
    greeting = bytes;
}

void FakeDaemon::pushWatch(const QByteArray& bytes)
{
    std::lock_guard lock(mutex);
    for (int fd : watchFds)
        sendAll(fd, bytes.constData(), bytes.size());
}

int FakeDaemon::watchConnections() const
{
    std::lock_guard lock(mutex);
    return static_cast<int>(watchFds.size());
}

int FakeDaemon::watchConnects() const
{
    std::lock_guard lock(mutex);
    return watchEverConnected;
}

void FakeDaemon::closeWatches()
{
    std::lock_guard lock(mutex);
    for (int fd : watchFds)
        ::shutdown(fd, SHUT_RDWR);
    watchFds.clear();
}

} // namespace vesk::test
