#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServer>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>
#include <cerrno>
#include <cstring>

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

} // namespace

std::optional<QString> SingleInstance::notPrivate(const QString& folder, uint uid)
{
    struct stat s { };
    // Not followed: a link could lead anywhere.
    if (::lstat(QFile::encodeName(folder).constData(), &s) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    if (!S_ISDIR(s.st_mode))
        return QStringLiteral("is not a folder");
    if (s.st_uid != uid)
        return QStringLiteral("belongs to another user");
    if (s.st_mode & (S_IRWXG | S_IRWXO))
        return QStringLiteral("is open to other users");
    return std::nullopt;
}

SingleInstance::Runtime SingleInstance::runtimeFor(const QString& xdgRuntimeDir, const QString& temp, uint uid,
                                                   const QString& own)
{
    if (QDir::isAbsolutePath(xdgRuntimeDir) && QDir(xdgRuntimeDir).exists())
        return {xdgRuntimeDir, true, {}};
    const QString folder = temp + QStringLiteral("/vesk-runtime-") + QString::number(uid);
    ::mkdir(QFile::encodeName(folder).constData(), 0700);
    const std::optional<QString> problem = notPrivate(folder, uid);
    if (!problem)
        return {folder, true, {}};
    QDir().mkpath(own);
    return {own, false, folder + QLatin1Char(' ') + *problem};
}

SingleInstance::Names SingleInstance::namesFor(const QString& home, const QString& accountHome, const Runtime& runtime)
{
    const QString clean = QDir::cleanPath(home);
    const QString key
        = QString::fromLatin1(QCryptographicHash::hash(clean.toUtf8(), QCryptographicHash::Sha256).toHex().left(16));
    Names n;
    n.busName = QStringLiteral("com.vesk.vesk");
    if (accountHome.isEmpty() || clean != QDir::cleanPath(accountHome))
        n.busName += QStringLiteral(".H") + key; // a bus name element may not begin with a digit
    n.objectPath = QLatin1Char('/') + QString(n.busName).replace(QLatin1Char('.'), QLatin1Char('/'));
    const QString base = runtime.folder + QStringLiteral("/vesk-") + key;
    n.lockPath = base + QStringLiteral(".lock");
    if (runtime.withSocket)
        n.peerAddress = QStringLiteral("unix:path=") + base + QStringLiteral(".bus");
    return n;
}

std::pair<SingleInstance::Names, SingleInstance::Runtime> SingleInstance::forThisProcess()
{
    const Runtime runtime
        = runtimeFor(qEnvironmentVariable("XDG_RUNTIME_DIR"), QDir::tempPath(), getuid(),
                     QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/vesk"));
    return {namesFor(QDir::homePath(), accountHome(), runtime), runtime};
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
        if (!lockError.isEmpty())
            return Claim::noLock;
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
    if (fd < 0) {
        lockError = names.lockPath + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
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

    if (names.peerAddress.isEmpty())
        return true;
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

    // No session bus, or the running copy has none: its private socket, where there is one.
    if (names.peerAddress.isEmpty())
        return false;
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
