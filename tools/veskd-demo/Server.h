#pragma once

#include "Ops.h"
#include "Options.h"

#include <QByteArray>
#include <QList>
#include <QLocalServer>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QLocalSocket;

namespace vesk::demo {

// The socket side: one JSON line in, one JSON line out, then close; watch connections stay open and
// receive a capture line on connect and on every change of the recording state. Everything runs on
// one event loop, so the model needs no locks; a slowed operation waits on a timer, not a thread, and
// the other clients are served meanwhile.
class Server : public QObject {
    Q_OBJECT
public:
    Server(Ops& ops, const Options& options, QObject* parent = nullptr);
    ~Server() override;

    // Creates the socket's folder; refuses when another daemon already answers on the path.
    bool listen(const QString& path, QString* error);
    void broadcastCapture();

    static constexpr qsizetype maxRequestBytes = 1 << 20;
    static constexpr int idleMs = 60 * 1000;

private:
    void accept();
    void readFrom(QLocalSocket* socket);
    void serve(QPointer<QLocalSocket> socket, const QByteArray& line);
    void send(QPointer<QLocalSocket> socket, const QString& op, const QJsonObject& reply);
    void writeSplit(QPointer<QLocalSocket> socket, QByteArray bytes);
    void finish(QLocalSocket* socket, const QByteArray& bytes);

    Ops& ops;
    Options options;
    QLocalServer server;
    QList<QPointer<QLocalSocket>> watchers;
    QTimer clock;
};

} // namespace vesk::demo
