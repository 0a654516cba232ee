#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServer>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vesk {

namespace {

const QString interfaceName = QStringLiteral("org.freedesktop.Application");
const QString peerName = QStringLiteral("vesk.instance.peer");

QString accountHome()
{
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    QByteArray buffer(size > 0 ? size : 16384, '\0');
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), size_t(buffer.size()), &found) != 0 || !found)
        return {};
    return QFile::decodeName(found->pw_dir);
}

// $XDG_RUNTIME_DIR, or a folder of our own under the temporary folder: only its owner may enter it.
QString runtimeFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && QDir(runtime).exists())
        return runtime;
    const QString own = QDir::tempPath() + QStringLiteral("/vesk-runtime-") + QString::number(getuid());
    ::mkdir(QFile::encodeName(own).constData(), 0700);
    return own;
}

} // namespace

SingleInstance::Names SingleInstance::namesFor(const QString& home, const QString& accountHome,
                                               const QString& runtimeDir)
{
    const QString clean = QDir::cleanPath(home);
    const QString key
        = QString::fromLatin1(QCryptographicHash::hash(clean.toUtf8(), QCryptographicHash::Sha256).toHex().left(16));
    Names n;
    n.busName = QStringLiteral("com.vesk.vesk");
    if (accountHome.isEmpty() || clean != QDir::cleanPath(accountHome))
        n.busName += QStringLiteral(".H") + key; // a bus name element may not begin with a digit
    n.objectPath = QLatin1Char('/') + QString(n.busName).replace(QLatin1Char('.'), QLatin1Char('/'));
    const QString base = runtimeDir + QStringLiteral("/vesk-") + key;
    n.lockPath = base + QStringLiteral(".lock");
    n.peerAddress = QStringLiteral("unix:path=") + base + QStringLiteral(".bus");
    return n;
}

SingleInstance::Names SingleInstance::forThisProcess()
{
    return namesFor(QDir::homePath(), accountHome(), runtimeFolder());
}

SingleInstance::SingleInstance(Names names, QObject* parent)
    : QObject(parent)
    , names(std::move(names))
{
    new ApplicationAdaptor(this);
}

SingleInstance::~SingleInstance()
{
    if (lockFd >= 0) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (bus.isConnected())
            bus.interface()->unregisterService(names.busName);
        releaseLock();
    }
}

SingleInstance::Claim SingleInstance::claim(const Activation& request, double waitSeconds)
{
    const QDeadlineTimer waitUntil(qint64(waitSeconds * 1000));
    while (!becomePrimary()) {
        if (waitSeconds <= 0)
            break;
        if (waitUntil.hasExpired())
            return Claim::failed;
        QThread::msleep(100);
    }
    if (lockFd >= 0)
        return Claim::primary;
    // The running copy takes its lock before it answers: give it a moment to start answering.
    const QDeadlineTimer answerBy(5000);
    for (;;) {
        if (activateRunning(request))
            return Claim::handedOver;
        if (answerBy.hasExpired())
            return Claim::failed;
        QThread::msleep(100);
    }
}

bool SingleInstance::becomePrimary()
{
    const QByteArray path = QFile::encodeName(names.lockPath);
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    lockFd = fd;

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        bus.registerObject(names.objectPath, this, QDBusConnection::ExportAdaptors);
        const auto reply = bus.interface()->registerService(names.busName, QDBusConnectionInterface::DontQueueService,
                                                            QDBusConnectionInterface::DontAllowReplacement);
        // Another copy answers to the name (one whose lock lives elsewhere): it is the instance.
        if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
            bus.unregisterObject(names.objectPath);
            releaseLock();
            return false;
        }
    }

    // Whatever socket is there was left by a copy that died: the lock is ours now.
    const QString socket = names.peerAddress.section(QLatin1Char('='), 1);
    QFile::remove(socket);
    peers = new QDBusServer(names.peerAddress, this);
    connect(peers, &QDBusServer::newConnection, this, [this](const QDBusConnection& connection) {
        peerConnections.removeIf([](const QDBusConnection& c) { return !c.isConnected(); });
        QDBusConnection peer(connection);
        peer.registerObject(names.objectPath, this, QDBusConnection::ExportAdaptors);
        peerConnections.append(peer);
    });
    return true;
}

void SingleInstance::releaseLock()
{
    ::close(lockFd);
    lockFd = -1;
}

bool SingleInstance::activateRunning(const Activation& request)
{
    // A peer connection has no bus to route by name: its calls name no service.
    const auto callTo = [&](const QString& service) {
        QDBusMessage call = QDBusMessage::createMethodCall(service, names.objectPath, interfaceName,
                                                           request.action.isEmpty() ? QStringLiteral("Activate")
                                                                                    : QStringLiteral("ActivateAction"));
        if (request.action.isEmpty())
            call.setArguments({QVariantMap()});
        else
            call.setArguments({request.action, QVariant::fromValue(request.parameter), QVariantMap()});
        return call;
    };
    constexpr int timeoutMs = 3000;

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected() && bus.interface()->isServiceRegistered(names.busName).value())
        return bus.call(callTo(names.busName), QDBus::Block, timeoutMs).type() == QDBusMessage::ReplyMessage;

    // No session bus, or the running copy has none: its private socket.
    QDBusConnection peer = QDBusConnection::connectToPeer(names.peerAddress, peerName);
    const bool answered
        = peer.isConnected() && peer.call(callTo({}), QDBus::Block, timeoutMs).type() == QDBusMessage::ReplyMessage;
    QDBusConnection::disconnectFromPeer(peerName);
    return answered;
}

ApplicationAdaptor::ApplicationAdaptor(SingleInstance* instance)
    : QDBusAbstractAdaptor(instance)
    , instance(instance)
{
}

void ApplicationAdaptor::Activate(const QVariantMap&)
{
    emit instance->activated({});
}

void ApplicationAdaptor::Open(const QStringList&, const QVariantMap&)
{
    emit instance->activated({});
}

void ApplicationAdaptor::ActivateAction(const QString& name, const QVariantList& parameter, const QVariantMap&)
{
    emit instance->activated({name, parameter});
}

} // namespace vesk
