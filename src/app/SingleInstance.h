#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QVariantList>
#include <QVariantMap>

class QDBusServer;

namespace vesk {

// What a second start asks of the running copy: a plain activation, or one of its named actions.
struct Activation {
    QString action; // empty: plain activation
    QVariantList parameter;
    bool operator==(const Activation&) const = default;
};

// One Vesk per user session. The first copy takes a lock file, claims its name on the session bus
// and answers org.freedesktop.Application there (so the desktop can activate it) and on a private
// socket beside the lock (so a second start finds it without a session bus). A second start hands
// its activation to the first and ends. The lock is the arbiter: the kernel frees it when its
// holder dies, however it dies. Main thread only.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    struct Names {
        QString busName;
        QString objectPath;
        QString lockPath;
        QString peerAddress;
        bool operator==(const Names&) const = default;
    };
    enum class Claim { primary, handedOver, failed };

    // Keyed by the home folder, which is also what picks the daemon's socket: copies that share a
    // daemon are one instance, and a run with a private home (the demo, the tests, several at once)
    // never meets another home's copy. Only the account's own home answers to the plain name
    // com.vesk.vesk that the desktop entry activates; any other home gets the name with its key.
    static Names namesFor(const QString& home, const QString& accountHome, const QString& runtimeDir);
    // For $HOME, the account's home from the password database, and $XDG_RUNTIME_DIR (a private
    // folder under the temporary one when unset).
    static Names forThisProcess();

    explicit SingleInstance(Names names, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Becomes the one instance, or hands `request` to the one running. With `waitSeconds`, waits
    // that long for the running one to quit instead (a relaunch takes over from its parent).
    // Blocks at most `waitSeconds` plus a few seconds for the running copy to answer.
    Claim claim(const Activation& request, double waitSeconds = 0);

signals:
    void activated(const vesk::Activation& activation);

private:
    friend class ApplicationAdaptor;
    bool becomePrimary();
    void releaseLock();
    bool activateRunning(const Activation& request);

    Names names;
    int lockFd = -1;
    QDBusServer* peers = nullptr;
    // Peer connections stay open while they are referenced.
    QList<QDBusConnection> peerConnections;
};

// org.freedesktop.Application on the instance's object.
class ApplicationAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    explicit ApplicationAdaptor(SingleInstance* instance);

public slots:
    void Activate(const QVariantMap& platformData);
    // Vesk opens no files: opening anything activates it.
    void Open(const QStringList& uris, const QVariantMap& platformData);
    void ActivateAction(const QString& name, const QVariantList& parameter, const QVariantMap& platformData);

private:
    SingleInstance* instance;
};

} // namespace vesk
