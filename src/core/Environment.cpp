#include "Environment.h"

#include <QByteArray>
#include <cstdlib>

namespace vesk {

namespace {
std::optional<QString> lookup(const QString& name)
{
    const char* value = std::getenv(name.toLocal8Bit().constData());
    if (!value)
        return std::nullopt;
    return QString::fromLocal8Bit(value);
}
} // namespace

std::optional<QString> veskEnvironment(const QString& name)
{
    if (auto v = lookup(name))
        return v;
    QString legacy = name;
    legacy.replace(QStringLiteral("VESK_"), QStringLiteral("QEV_"));
    return lookup(legacy);
}

bool environmentSwitch(const QString& name)
{
    const auto v = veskEnvironment(name);
    return v && *v == QStringLiteral("1");
}

} // namespace vesk
