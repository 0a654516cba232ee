#include "Server.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QTextStream>

namespace vesk::demo {

namespace {

constexpr int splitChunk = 7;
constexpr int splitGapMs = 3;

QByteArray line(const QJsonObject& o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

void logLine(const QString& text)
{
    QTextStream(stderr) << "veskd-demo: " << text << Qt::endl;
}

} // namespace

Server::Server(Ops& o, const Options& opts, QObject* parent)
    : QObject(parent)
    , ops(o)
    , options(opts)
{
    server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server, &QLocalServer::newConnection, this, &Server::accept);
    ops.captureChanged = [this] { broadcastCapture(); };
    // A timed pause ends on its own; the watchers must hear about it when it does.
    connect(&clock, &QTimer::timeout, this, [this] { ops.tick(); });
    clock.start(1000);
}

Server::~Server()
{
    ops.captureChanged = nullptr;
    server.close();
}

bool Server::listen(const QString& path, QString* error)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        *error = QStringLiteral("cannot create the folder of ") + path;
        return false;
    }
    if (QFileInfo::exists(path)) {
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(500)) {
            *error = QStringLiteral("another daemon already answers on ") + path;
            return false;
        }
        QLocalServer::removeServer(path); // left behind by a daemon that did not stop cleanly
    }
    if (!server.listen(path)) {
        *error = server.errorString();
        return false;
    }
    return true;
}

void Server::broadcastCapture()
{
    const QByteArray bytes = line(ops.captureLine());
    for (const QPointer<QLocalSocket>& w : std::as_const(watchers))
        if (w)
            w->write(bytes);
}

void Server::accept()
{
    while (QLocalSocket* socket = server.nextPendingConnection()) {
        // A peer that never finishes its request line is let go.
        auto* idle = new QTimer(socket);
        idle->setSingleShot(true);
        connect(idle, &QTimer::timeout, socket, &QLocalSocket::abort);
        idle->start(idleMs);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        readFrom(socket);
    }
}

void Server::readFrom(QLocalSocket* socket)
{
    if (socket->property("served").toBool()) {
        socket->readAll(); // one request per connection; anything after it is ignored
        return;
    }
    QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    const qsizetype end = buffer.indexOf('\n');
    if (end < 0) {
        if (buffer.size() > maxRequestBytes) {
            // Keep swallowing what the peer still sends for a moment, so closing on unread bytes
            // does not reset the connection before it has read the error.
            socket->setProperty("served", true);
            socket->write(line(errorReply(QStringLiteral("request line too long"))));
            socket->flush();
            QTimer::singleShot(1000, socket, [socket] { socket->disconnectFromServer(); });
        } else {
            socket->setProperty("buffer", buffer);
        }
        return;
    }
    socket->setProperty("served", true);
    socket->setProperty("buffer", QVariant());
    serve(socket, buffer.left(end));
}

void Server::serve(QPointer<QLocalSocket> socket, const QByteArray& text)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(text, &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject()) {
        finish(socket, line(errorReply(QStringLiteral("a request is one JSON object on one line"))));
        return;
    }
    const QJsonObject request = doc.object();
    const QString op = request.value("op").toString();

    if (op == QLatin1String("watch")) {
        if (QTimer* idle = socket->findChild<QTimer*>())
            idle->stop();
        watchers.removeIf([](const QPointer<QLocalSocket>& w) { return w.isNull(); });
        watchers.append(socket);
        socket->write(line(ops.captureLine()));
        return;
    }
    if (QTimer* idle = socket->findChild<QTimer*>())
        idle->stop();

    const auto run = [this, socket, op, request] {
        if (options.drop.contains(op)) {
            logLine(op + QStringLiteral(" → dropped (--drop)"));
            if (socket)
                socket->abort();
            return;
        }
        if (options.fail.contains(op)) {
            send(socket, op, errorReply(QStringLiteral("veskd-demo was told to refuse \"%1\" (--fail)").arg(op)));
            return;
        }
        if (options.garbage.contains(op)) {
            logLine(op + QStringLiteral(" → garbage (--garbage)"));
            if (socket)
                finish(socket, QByteArrayLiteral("}{ this is not json\n"));
            return;
        }
        // The change happens even when the client has given up waiting, as it would in a slow daemon.
        send(socket, op, ops.handle(request));
    };
    const double delay = options.slow.value(op, 0);
    if (delay > 0)
        QTimer::singleShot(int(delay * 1000), this, run);
    else
        run();
}

void Server::send(QPointer<QLocalSocket> socket, const QString& op, const QJsonObject& reply)
{
    // A failed answer says why, so a log tells an answer from a refusal.
    const QString why = reply.value("kind") == QLatin1String("error")
        ? QStringLiteral(": ") + reply.value("message").toString()
        : reply.contains("failure_code") ? QStringLiteral(": ") + reply.value("failure_code").toString()
                                         : QString();
    logLine(op + QStringLiteral(" → ") + reply.value("kind").toString() + why);
    if (!socket)
        return;
    if (options.split.contains(op))
        writeSplit(socket, line(reply));
    else
        finish(socket, line(reply));
}

void Server::writeSplit(QPointer<QLocalSocket> socket, QByteArray bytes)
{
    if (!socket)
        return;
    if (bytes.size() <= splitChunk) {
        finish(socket, bytes);
        return;
    }
    socket->write(bytes.left(splitChunk));
    socket->flush();
    QTimer::singleShot(splitGapMs, this, [this, socket, rest = bytes.mid(splitChunk)] { writeSplit(socket, rest); });
}

void Server::finish(QLocalSocket* socket, const QByteArray& bytes)
{
    socket->write(bytes);
    socket->flush();
    socket->disconnectFromServer(); // closes once the bytes are out
}

} // namespace vesk::demo
