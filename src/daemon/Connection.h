#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <chrono>

namespace vesk {

// One Unix-domain stream connection to the daemon. The socket never blocks: every wait has a
// deadline and ends at once when `wake` becomes readable, which is how a client that is going
// away gets its lanes back whatever the daemon does. Closed on destruction.
class Connection {
public:
    using Deadline = std::chrono::steady_clock::time_point;
    static constexpr Deadline never = Deadline::max();
    // Now plus `seconds`; `never` for a wait too long to matter.
    static Deadline after(double seconds);

    enum class Result { ok, closed, timedOut, stopped, failed };

    // The daemon's contract: a socket path of at most 103 bytes.
    static constexpr qsizetype pathLimit = 104;

    explicit Connection(int wake);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Connects to the socket at `address` (UTF-8 path bytes). While the daemon's listen queue is
    // full the connection is tried again, until `until`.
    Result open(const QByteArray& address, Deadline until);
    // Writes every byte, waiting for room until `until`.
    Result write(QByteArrayView bytes, Deadline until);
    // Reads what arrives next, up to `size` bytes, waiting until `until`; `got` is the count.
    Result read(char* into, qsizetype size, Deadline until, qsizetype& got);

private:
    Result wait(short events, Deadline until);

    int fd = -1;
    int wake = -1;
};

} // namespace vesk
