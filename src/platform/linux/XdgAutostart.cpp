#include "XdgAutostart.h"

#include "InstallLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>

namespace vesk {

namespace {

// A desktop entry's string value: backslashes and control characters escaped.
QString escaped(QString value)
{
    value.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    value.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    value.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
    value.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    return value;
}

// One Exec argument: quoted when it holds a character the Exec syntax reserves, with the four
// characters that stay special inside quotes escaped; a percent sign is doubled (field codes).
QString execArgument(QString argument)
{
    argument.replace(QLatin1Char('%'), QStringLiteral("%%"));
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    if (std::none_of(argument.begin(), argument.end(), [](QChar c) { return reserved.contains(c); }))
        return argument;
    QString quoted;
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

XdgAutostart::XdgAutostart(QString folder, QString build, std::optional<QString> daemonPath, QString applicationPath,
                           QStringList unitFolders)
    : folder(std::move(folder))
    , build(std::move(build))
    , daemonPath(std::move(daemonPath))
    , applicationPath(std::move(applicationPath))
    , unitFolders(std::move(unitFolders))
{
}

std::unique_ptr<XdgAutostart> XdgAutostart::forThisUser()
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const InstallLayout layout = InstallLayout::current();
    // systemd's user unit path: the user's, the administrator's, then the packages'.
    const QStringList units{config + QStringLiteral("/systemd/user"), QStringLiteral("/etc/systemd/user"),
                            data + QStringLiteral("/systemd/user"),   QStringLiteral("/usr/local/lib/systemd/user"),
                            QStringLiteral("/usr/lib/systemd/user"),  QStringLiteral("/lib/systemd/user")};
    return std::make_unique<XdgAutostart>(config + QStringLiteral("/autostart"), QCoreApplication::applicationVersion(),
                                          layout.find(QStringLiteral("veskd")), QCoreApplication::applicationFilePath(),
                                          units);
}

QByteArray XdgAutostart::entryText(const Program& program, const QString& build)
{
    QString text = QStringLiteral("[Desktop Entry]\nType=Application\n");
    text += QStringLiteral("Name=") + escaped(program.name) + QLatin1Char('\n');
    text += QStringLiteral("Comment=") + escaped(program.comment) + QLatin1Char('\n');
    text += QStringLiteral("Exec=") + escaped(execArgument(program.path)) + QLatin1Char('\n');
    // A TryExec naming a missing program quietly turns the entry off, as the program is gone.
    text += QStringLiteral("TryExec=") + escaped(program.path) + QLatin1Char('\n');
    text += QStringLiteral("Icon=") + escaped(program.icon) + QLatin1Char('\n');
    text += QStringLiteral("Terminal=false\nX-GNOME-Autostart-enabled=true\n");
    text += QStringLiteral("X-Vesk-Build=") + escaped(build) + QLatin1Char('\n');
    return text.toUtf8();
}

XdgAutostart::Entry XdgAutostart::parse(const QByteArray& contents)
{
    Entry entry;
    entry.exists = true;
    bool inMainGroup = false;
    for (const QByteArray& raw : contents.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (!inMainGroup || equals < 0)
            continue;
        const QByteArray key = line.left(equals).trimmed();
        const QByteArray value = line.mid(equals + 1).trimmed();
        if (key == "X-Vesk-Build")
            entry.ours = true;
        else if ((key == "Hidden" && value == "true") || (key == "X-GNOME-Autostart-enabled" && value == "false"))
            entry.disabled = true;
    }
    return entry;
}

ServiceManager::Status XdgAutostart::statusOf(const Entry& entry, bool programInstalled)
{
    if (!programInstalled)
        return Status::notFound;
    if (!entry.exists)
        return Status::notRegistered;
    return entry.disabled ? Status::requiresApproval : Status::enabled;
}

bool XdgAutostart::unitEnabled(const QStringList& unitFolders)
{
    // Enabling a unit links it into the *.wants folder of each target that wants it.
    for (const QString& folder : unitFolders) {
        const QDir units(folder);
        for (const QString& wants : units.entryList({QStringLiteral("*.wants")}, QDir::Dirs | QDir::NoDotAndDotDot))
            if (QFileInfo::exists(units.filePath(wants + QLatin1Char('/') + QString::fromLatin1(daemonUnit))))
                return true;
    }
    return false;
}

QString XdgAutostart::entryPath(const QString& id) const
{
    return folder + QLatin1Char('/') + id + QStringLiteral(".desktop");
}

XdgAutostart::Program XdgAutostart::program(Service service) const
{
    if (service == Service::daemon)
        return {QString::fromLatin1(daemonId), QStringLiteral("Vesk background service"),
                QStringLiteral("Starts the veskd memory daemon when you log in"), daemonPath.value_or(QString()),
                QString::fromLatin1(applicationId)};
    return {QString::fromLatin1(applicationId), QStringLiteral("Vesk"),
            QStringLiteral("Starts Vesk in the system tray when you log in"), applicationPath,
            QString::fromLatin1(applicationId)};
}

XdgAutostart::Entry XdgAutostart::read(const QString& id) const
{
    QFile file(entryPath(id));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // An entry is a few hundred bytes; a huge file in its place is not one of ours.
    return parse(file.read(64 * 1024));
}

bool XdgAutostart::shipsDaemon()
{
    return daemonPath.has_value();
}

bool XdgAutostart::handInstalledDaemon()
{
    const Entry own = read(QString::fromLatin1(daemonId));
    return (own.exists && !own.ours) || read(QString::fromLatin1(legacyDaemonId)).exists || unitEnabled(unitFolders);
}

ServiceManager::Status XdgAutostart::status(Service service)
{
    const Program p = program(service);
    return statusOf(read(p.id), !p.path.isEmpty() && QFileInfo(p.path).isExecutable());
}

bool XdgAutostart::write(Service service)
{
    const Program p = program(service);
    if (p.path.isEmpty() || !QDir().mkpath(folder))
        return false;
    QSaveFile file(entryPath(p.id));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray text = entryText(p, build);
    return file.write(text) == text.size() && file.commit();
}

bool XdgAutostart::registerService(Service service)
{
    return write(service);
}

bool XdgAutostart::unregisterService(Service service)
{
    const QString id = program(service).id;
    const Entry entry = read(id);
    // The user's "off" outlives the build it was given to.
    if (!entry.exists || entry.disabled)
        return true;
    return QFile::remove(entryPath(id));
}

bool XdgAutostart::approve(Service service)
{
    return write(service);
}

} // namespace vesk
