#include "XfceShortcut.h"

#include <QProcess>
#include <QRegularExpression>

namespace vesk {

namespace {

const QString commands = QStringLiteral("/commands/");
const QString windowManager = QStringLiteral("/xfwm4/");

// The set in force under `base`: "custom" once its override flag is on, else "default".
QString inForce(const QMap<QString, QString>& properties, const QString& base)
{
    return base
        + (properties.value(base + QStringLiteral("custom/override")) == QStringLiteral("true")
               ? QStringLiteral("custom/")
               : QStringLiteral("default/"));
}

// A command's words may hold quotes; one process never waits longer than this.
constexpr int deadlineMs = 10000;

} // namespace

XfceShortcut::XfceShortcut(QString program)
    : program(std::move(program))
{
}

std::optional<QString> XfceShortcut::boundTo(const QMap<QString, QString>& properties, const KeyChord& keys)
{
    for (const QString& set : {inForce(properties, commands), inForce(properties, windowManager)})
        for (auto it = properties.lowerBound(set); it != properties.end() && it.key().startsWith(set); ++it) {
            // "<Alt>F2/startup-notify" and "override" are not keys.
            const QString accelerator = it.key().mid(set.size());
            if (!accelerator.contains(QLatin1Char('/')) && KeyChord::parse(accelerator) == keys)
                return it.value();
        }
    return std::nullopt;
}

QList<QStringList> XfceShortcut::additions(const QMap<QString, QString>& properties, const KeyChord& keys,
                                           const QString& command)
{
    const QString custom = commands + QStringLiteral("custom/");
    const QString defaults = commands + QStringLiteral("default/");
    const auto set = [](const QString& property, const QString& type, const QString& value) {
        return QStringList{QStringLiteral("-c"), channel, QStringLiteral("-p"), property, QStringLiteral("-n"),
                           QStringLiteral("-t"), type,    QStringLiteral("-s"), value};
    };
    QList<QStringList> out;
    if (inForce(properties, commands) != custom) {
        for (auto it = properties.lowerBound(defaults); it != properties.end() && it.key().startsWith(defaults); ++it)
            out << set(custom + it.key().mid(defaults.size()),
                       it.key().endsWith(QStringLiteral("/startup-notify")) ? QStringLiteral("bool")
                                                                            : QStringLiteral("string"),
                       it.value());
        out << set(custom + QStringLiteral("override"), QStringLiteral("bool"), QStringLiteral("true"));
    }
    out << set(custom + keys.accelerator(true), QStringLiteral("string"), command);
    return out;
}

bool XfceShortcut::run(const QStringList& arguments, QByteArray* out)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(deadlineMs)) {
        process.kill();
        process.waitForFinished(deadlineMs);
        return false;
    }
    if (out)
        *out = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

std::optional<QMap<QString, QString>> XfceShortcut::read()
{
    QByteArray listing;
    // Not installed, no settings daemon to ask, or an empty channel: no XFCE settings to use.
    if (!run({QStringLiteral("-c"), channel, QStringLiteral("-l"), QStringLiteral("-v")}, &listing))
        return std::nullopt;
    QMap<QString, QString> properties;
    static const QRegularExpression line(QStringLiteral("^(/\\S*)\\s+(.*)$"));
    for (const QString& text : QString::fromUtf8(listing).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        if (const auto m = line.match(text); m.hasMatch())
            properties.insert(m.captured(1), m.captured(2).trimmed());
    if (properties.isEmpty())
        return std::nullopt;
    return properties;
}

DesktopShortcut::Binding XfceShortcut::binding(const KeyChord& keys, const QString& command)
{
    const auto properties = read();
    if (!properties)
        return Binding::noSettings;
    const auto bound = boundTo(*properties, keys);
    if (!bound)
        return Binding::free;
    return *bound == command ? Binding::ours : Binding::taken;
}

DesktopShortcut::Result XfceShortcut::add(const QString&, const KeyChord& keys, const QString& command)
{
    const auto properties = read();
    if (!properties)
        return Result::noSettings;
    if (const auto bound = boundTo(*properties, keys))
        return *bound == command ? Result::alreadyAdded : Result::keysTaken;
    for (const QStringList& arguments : additions(*properties, keys, command))
        if (!run(arguments))
            return Result::failed;
    return Result::added;
}

} // namespace vesk
