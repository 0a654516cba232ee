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
        QString peerAddress; // empty: the lock alone, found again only through the session bus
        bool operator==(const Names&) const = default;
    };
    // Where the lock lives: a private runtime folder, with the socket beside it; or, when the only
    // runtime folder at hand is not private, the user's own folder, for the lock alone.
    struct Runtime {
        QString folder;
        bool withSocket = true;
        QString refused; // why the runtime folder was not used; empty when it was
        bool operator==(const Runtime&) const = default;
    };
    // primary: this is the one; handedOver: the running one took the request; failed: it did not
    // answer; noLock: the lock could not be made at all (lockProblem says why).
    enum class Claim { primary, handedOver, failed, noLock };

    // Keyed by the home folder, which is also what picks the daemon's socket: copies that share a
    // daemon are one instance, and a run with a private home (the demo, the tests, several at once)
    // never meets another home's copy. Only the account's own home answers to the plain name
    // com.vesk.vesk that the desktop entry activates; any other home gets the name with its key.
    static Names namesFor(const QString& home, const QString& accountHome, const Runtime& runtime);
    // $XDG_RUNTIME_DIR when it names a folder. Else `temp`/vesk-runtime-UID, made private, and used
    // only while it is a folder of `uid`'s that no one else may enter: another user could make it
    // first, to hold the lock or read the socket. Otherwise `own`, for the lock alone.
    static Runtime runtimeFor(const QString& xdgRuntimeDir, const QString& temp, uint uid, const QString& own);
    // What keeps `folder` from being private to `uid` ("belongs to another user"); nothing when it is.
    static std::optional<QString> notPrivate(const QString& folder, uint uid);
    // For $HOME, the account's home from the password database, and the runtime folder above, with
    // the user's cache folder as their own.
    static std::pair<Names, Runtime> forThisProcess();

    explicit SingleInstance(Names names, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Becomes the one instance, or hands `request` to the one running. With `waitSeconds`, waits
    // that long for the running one to quit instead (a relaunch takes over from its parent).
    // Blocks at most `waitSeconds` plus a few seconds for the running copy to answer.
    Claim claim(const Activation& request, double waitSeconds = 0);
    // Why the lock file could not be opened ("/run/user/1000/vesk-….lock: Permission denied").
    QString lockProblem() const { return lockError; }

signals:
    void activated(const vesk::Activation& activation);

private:
    friend class ApplicationAdaptor;
    bool becomePrimary();
    void releaseLock();
    bool activateRunning(const Activation& request);

    Names names;
    int lockFd = -1;
    QString lockError;
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
