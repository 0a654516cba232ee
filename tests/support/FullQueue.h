#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <cstring>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace vesk::test {

// A daemon that never accepts on its own: its listen queue is filled at once, so every further
// connection attempt waits until something is taken off `listener`.
struct FullQueue {
    explicit FullQueue(const QByteArray& socketPath)
        : path(socketPath)
    {
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::memcpy(addr.sun_path, path.constData(), static_cast<size_t>(path.size()));
        const auto* a = reinterpret_cast<const sockaddr*>(&addr);
        if (::bind(listener, a, sizeof addr) != 0 || ::listen(listener, 0) != 0)
            qFatal("full queue: cannot listen on %s", path.constData());
        for (;;) {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
            if (::connect(fd, a, sizeof addr) != 0) {
                ::close(fd);
                break;
            }
            waiting.push_back(fd);
        }
    }
    ~FullQueue()
    {
        for (int fd : waiting)
            ::close(fd);
        ::close(listener);
    }
    FullQueue(const FullQueue&) = delete;
    FullQueue& operator=(const FullQueue&) = delete;

    const QByteArray path;
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    std::vector<int> waiting;
};

} // namespace vesk::test
