#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QObject>
#include <QString>
#include <optional>

namespace vesk {

// The user's settings ("vesk.…" keys) as one JSON object in a file. JSON keeps the types apart
// (a Boolean stays a Boolean), and every change rewrites the file atomically, so a crash never
// leaves half a file. Main thread only.
class Defaults : public QObject {
    Q_OBJECT
public:
    // $XDG_CONFIG_HOME/vesk/defaults.json (through QStandardPaths, so test mode redirects it).
    static QString standardPath();

    explicit Defaults(QString filePath = standardPath());

    QString filePath() const { return path; }

    bool contains(const QString& key) const { return values.contains(key); }
    std::optional<bool> boolean(const QString& key) const;
    std::optional<qint64> integer(const QString& key) const;
    std::optional<double> number(const QString& key) const;
    std::optional<QString> string(const QString& key) const;
    QJsonValue value(const QString& key) const { return values.value(key); }

    // Each setter writes the file before it returns. When it cannot (a full disk, a directory or
    // FIFO in the file's place, a file that could not be read) it returns false and changes
    // nothing: neither the file nor the value read back. A damaged file is kept beside the new
    // one as defaults.json.corrupt.
    bool setBoolean(const QString& key, bool value);
    bool setInteger(const QString& key, qint64 value);
    bool setNumber(const QString& key, double value);
    bool setString(const QString& key, const QString& value);
    bool setValue(const QString& key, const QJsonValue& value);
    bool remove(const QString& key);

    // Re-reads the file, dropping unsaved state (used when another process may have written it).
    void reload();

    // Why a save failed, in plain words, from the error the system gave.
    static QString failureReason(int error);

signals:
    // A setter could not write the file; `reason` as failureReason gives it.
    void saveFailed(const QString& reason);

private:
    enum class FileState { usable, damaged, unusable };

    // Writes `next` and makes it the current values only once it is safely on disk.
    bool save(const QJsonObject& next);
    bool fail(int error);

    QString path;
    QJsonObject values;
    FileState file = FileState::usable;
};

} // namespace vesk
