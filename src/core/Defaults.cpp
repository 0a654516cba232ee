#include "Defaults.h"

#include "Json.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>

namespace vesk {

QString Defaults::standardPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/vesk/defaults.json");
}

Defaults::Defaults(QString filePath)
    : path(std::move(filePath))
{
    reload();
}

void Defaults::reload()
{
    values = {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    // A damaged file reads as no settings rather than as half of them.
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll());
    if (doc.isObject())
        values = doc.object();
}

std::optional<bool> Defaults::boolean(const QString& key) const
{
    return Json::boolean(values, key);
}

std::optional<qint64> Defaults::integer(const QString& key) const
{
    return Json::integer(values, key);
}

std::optional<double> Defaults::number(const QString& key) const
{
    return Json::number(values, key);
}

std::optional<QString> Defaults::string(const QString& key) const
{
    return Json::string(values, key);
}

bool Defaults::setBoolean(const QString& key, bool value)
{
    return setValue(key, QJsonValue(value));
}

bool Defaults::setInteger(const QString& key, qint64 value)
{
    return setValue(key, QJsonValue(value));
}

bool Defaults::setNumber(const QString& key, double value)
{
    return setValue(key, QJsonValue(value));
}

bool Defaults::setString(const QString& key, const QString& value)
{
    return setValue(key, QJsonValue(value));
}

bool Defaults::setValue(const QString& key, const QJsonValue& value)
{
    values.insert(key, value);
    return save();
}

bool Defaults::remove(const QString& key)
{
    values.remove(key);
    return save();
}

bool Defaults::save() const
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QJsonDocument(values).toJson(QJsonDocument::Indented));
    return file.commit();
}

} // namespace vesk
