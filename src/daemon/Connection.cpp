#include "Connection.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace vesk {

using namespace std::chrono;

namespace {

// A Unix socket gives no sign when a full listen queue drains: connecting is retried after a
// pause that grows to this.
constexpr milliseconds kLongestPause{50};

// Waits for `events` on `target` (nothing when it is -1), the wake descriptor or the deadline.
Connection::Result waitFor(int target, short events, int wake, Connection::Deadline until)
{
    for (;;) {
        int ms = -1;
        if (until != Connection::never) {
            const auto left = until - steady_clock::now();
            if (left <= steady_clock::duration::zero())
                return Connection::Result::timedOut;
            // Rounded up, so a wait never ends just short of its deadline and spins.
            ms = static_cast<int>(std::min<milliseconds::rep>(ceil<milliseconds>(left).count(), INT_MAX));
        }
        pollfd fds[2] = {{target, events, 0}, {wake, POLLIN, 0}};
        const int n = ::poll(fds, 2, ms);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Connection::Result::failed;
        if (fds[1].revents)
            return Connection::Result::stopped;
        // Readiness, hang-up or an error: the call that follows tells them apart.
        if (fds[0].revents)
            return Connection::Result::ok;
    }
}

} // namespace

Connection::Deadline Connection::after(double seconds)
{
    // Also catches NaN: a time-out that is not a number waits as long as the longest one.
    if (!(seconds < 1e9))
        return never;
    return steady_clock::now() + duration_cast<steady_clock::duration>(duration<double>(std::max(0.0, seconds)));
}

Connection::Connection(int wakeFd)
    : wake(wakeFd)
{
}

Connection::~Connection()
{
    if (fd >= 0)
        ::close(fd);
}

Connection::Result Connection::wait(short events, Deadline until)
{
    return waitFor(fd, events, wake, until);
}

Connection::Result Connection::open(const QByteArray& address, Deadline until)
{
    if (address.size() >= pathLimit)
        return Result::failed;
    fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return Result::failed;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, address.constData(), static_cast<size_t>(address.size()));
    for (milliseconds pause{1};; pause = std::min(pause * 2, kLongestPause)) {
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0)
            return Result::ok;
        if (errno == EINTR)
            continue;
        if (errno == EINPROGRESS) {
            if (const Result r = wait(POLLOUT, until); r != Result::ok)
                return r;
            int error = 0;
            socklen_t length = sizeof error;
            return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0 ? Result::ok
                                                                                              : Result::failed;
        }
        if (errno != EAGAIN)
            return Result::failed;
        if (steady_clock::now() >= until)
            return Result::timedOut;
        if (waitFor(-1, 0, wake, std::min(until, steady_clock::now() + pause)) == Result::stopped)
            return Result::stopped;
    }
}

Connection::Result Connection::write(QByteArrayView bytes, Deadline until)
{
    while (!bytes.isEmpty()) {
        // Tried before waiting: a request line fits the socket's buffer, and a wait first would
        // cost a call for nothing. Only a full buffer is waited on.
        // MSG_NOSIGNAL: a daemon that hung up must not end us with SIGPIPE.
        const ssize_t n = ::send(fd, bytes.data(), static_cast<size_t>(bytes.size()), MSG_NOSIGNAL);
        if (n > 0) {
            bytes = bytes.sliced(n);
        } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
            return Result::failed;
        } else if (errno == EAGAIN) {
            if (const Result r = wait(POLLOUT, until); r != Result::ok)
                return r;
        }
    }
    return Result::ok;
}

Connection::Result Connection::read(char* into, qsizetype size, Deadline until, qsizetype& got)
{
    got = 0;
    for (;;) {
        // Waiting first, even when bytes are ready, is what lets a flood be interrupted.
        if (const Result r = wait(POLLIN, until); r != Result::ok)
            return r;
        const ssize_t n = ::recv(fd, into, static_cast<size_t>(size), 0);
        if (n > 0) {
            got = n;
            return Result::ok;
        }
        if (n == 0)
            return Result::closed;
        if (errno != EINTR && errno != EAGAIN)
            return Result::failed;
    }
}

} // namespace vesk
