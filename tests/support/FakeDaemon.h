#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vesk::test {

// Where the replies a test asks for outside any view go: the application object, which outlives
// every request.
inline QObject* app()
{
    return QCoreApplication::instance();
}

// An in-process daemon on a Unix socket in a temporary folder, answering from a script per op.
// It runs on its own threads (one per connection), so it answers while the test's main thread is
// blocked or waiting in QTRY_*. Unscripted ops are answered {"kind":"error","message":"unscripted"}.
class FakeDaemon {
public:
    enum class Mode {
        Reply,  // write the reply bytes in one go
        Silent, // read the request, then never answer (until the daemon stops)
        Close,  // read the request, then close without a reply
        Split,  // write the reply in chunks of `chunk` bytes with a short pause between them
    };

    struct Script {
        QByteArray reply; // sent as is: a line feed is added by the helpers below, not here
        Mode mode = Mode::Reply;
        double delaySeconds = 0;
        int chunk = 7;
        double gapSeconds = 0.0002; // Split: the pause between chunks
        bool holdOpen = false;      // keep the connection open after replying, as a daemon may
        qint64 fill = 0;            // this many 'x' bytes are sent at `fillAt` within the reply
        qsizetype fillAt = 0;
    };

    FakeDaemon(); // socket in a fresh temporary folder
    explicit FakeDaemon(const QString& socketPath);
    ~FakeDaemon();

    FakeDaemon(const FakeDaemon&) = delete;
    FakeDaemon& operator=(const FakeDaemon&) = delete;

    QString path() const { return socketPath; }

    // Every request of `op` gets this script (replacing any earlier one).
    void script(const QString& op, Script s);
    // Convenience: answer `op` with this object (one line).
    void reply(const QString& op, const QJsonObject& object, double delaySeconds = 0);
    // Convenience: answer `op` with these exact bytes (no line feed added).
    void replyRaw(const QString& op, const QByteArray& bytes, double delaySeconds = 0);
    // Successive requests of `op` take these scripts in turn; the last one then repeats.
    void sequence(const QString& op, QList<Script> scripts);
    void silent(const QString& op);
    void closeEarly(const QString& op);

    // Request lines received (without line feed), in arrival order.
    QList<QByteArray> requests() const;
    QList<QByteArray> requests(const QString& op) const;
    int count(const QString& op) const;

    // Watch stream: lines written to every open watch connection, and to each new one on connect.
    void setWatchGreeting(const QByteArray& bytes); // written as is when a watch connects
    void pushWatch(const QByteArray& bytes);        // written as is to the open watch connections
    int watchConnections() const;                   // currently open
    int watchConnects() const;                      // ever accepted
    void closeWatches();

    // Stop listening (the socket file goes away) and close every connection; start again later.
    void stop();
    void start();

private:
    void acceptLoop(int listenFd);
    void serve(int fd);
    bool send(int fd, const Script& s);
    Script scriptFor(const QString& op);

    std::unique_ptr<QTemporaryDir> dir;
    QString socketPath;

    mutable std::mutex mutex;
    std::condition_variable stopped;
    std::map<QString, QList<Script>> scripts;
    QList<QByteArray> received;
    QByteArray greeting;
    std::vector<int> watchFds;
    std::vector<int> openFds;
    int watchEverConnected = 0;
    int listenFd = -1;
    int wakeFds[2] = {-1, -1};
    bool running = false;
    std::thread acceptor;
    std::vector<std::thread> workers;
};

} // namespace vesk::test
