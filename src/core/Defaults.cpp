#include "Defaults.h"

#include "Json.h"
#include "RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace vesk {

namespace {

// Settings are a few hundred bytes; a file past this is not settings and is not read whole.
constexpr qsizetype kFileCap = 4 * 1024 * 1024;

enum class Existing { none, regular, other };

Existing existing(const QByteArray& path)
{
    struct stat st { };
    if (::stat(path.constData(), &st) != 0)
        return errno == ENOENT ? Existing::none : Existing::other;
    return S_ISREG(st.st_mode) ? Existing::regular : Existing::other;
}

struct Contents {
    QByteArray bytes;
    bool readable = false;
    bool pastCap = false;
};

// Reads an open settings file to its end, or to just past the cap, and closes it.
Contents readAll(int fd)
{
    Contents out;
    char chunk[16384];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        if (n == 0 || out.bytes.size() + n > kFileCap) {
            out.readable = true;
            out.pastCap = n > 0;
            break;
        }
        out.bytes.append(chunk, n);
    }
    ::close(fd);
    return out;
}

// A full disk shows at the write, at the flush or only at the sync. Returning without a commit
// discards the temporary file and leaves the old one as it was.
// Returns 0, or the error of the step that failed.
int writeWhole(const QString& path, const QByteArray& bytes)
{
    QSaveFile out(path);
    const auto failed = [] { return errno != 0 ? errno : EIO; };
    errno = 0;
    if (!out.open(QIODevice::WriteOnly))
        return failed();
    errno = 0;
    if (out.write(bytes) != bytes.size() || !out.flush())
        return failed();
    errno = 0;
    if (::fsync(out.handle()) != 0 || !out.commit())
        return failed();
    return 0;
}

} // namespace

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
    file = FileState::usable;
    const QByteArray name = QFile::encodeName(path);
    const Existing kind = existing(name);
    if (kind == Existing::none)
        return;
    // Anything but a regular file is never opened: a FIFO put there must not hang start-up.
    const int fd = kind == Existing::regular ? openRegular(name) : -1;
    const Contents contents = fd < 0 ? Contents{} : readAll(fd);
    if (!contents.readable) {
        file = FileState::unusable;
        return;
    }
    // A damaged file reads as no settings rather than as half of them, and is kept aside at the
    // next save instead of being replaced by the one key set since.
    const QJsonDocument doc = QJsonDocument::fromJson(contents.bytes);
    if (doc.isObject() && !contents.pastCap)
        values = doc.object();
    else if (contents.pastCap || !contents.bytes.trimmed().isEmpty())
        file = FileState::damaged;
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
    QJsonObject next = values;
    next.insert(key, value);
    return save(next);
}

bool Defaults::remove(const QString& key)
{
    QJsonObject next = values;
    next.remove(key);
    return save(next);
}

bool Defaults::fail(int error)
{
    emit saveFailed(failureReason(error));
    return false;
}

QString Defaults::failureReason(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG: // no room for the file, as far as the user can tell
        return QStringLiteral("the disk is full");
    case EROFS:
        return QStringLiteral("the disk is read-only");
    case EACCES:
    case EPERM:
        return QStringLiteral("Vesk has no permission to write its settings file");
    case EISDIR:
        return QStringLiteral("something that is not a settings file is in its place");
    default:
        return QStringLiteral("the settings file could not be written");
    }
}

bool Defaults::save(const QJsonObject& next)
{
    const QByteArray name = QFile::encodeName(path);
    // A directory, FIFO or device in its place, or a file that could not be read, is not ours to
    // replace; QSaveFile would even open a FIFO for writing and wait for a reader.
    const Existing now = existing(name);
    if (now == Existing::other)
        return fail(EISDIR);
    if (now == Existing::regular && file == FileState::unusable)
        return fail(EACCES);
    QDir().mkpath(QFileInfo(path).absolutePath());
    const bool setAside = now == Existing::regular && file == FileState::damaged;
    const QByteArray aside = name + ".corrupt";
    if (setAside && ::rename(name.constData(), aside.constData()) != 0)
        return fail(errno);
    if (const int error = writeWhole(path, QJsonDocument(next).toJson(QJsonDocument::Indented))) {
        if (setAside)
            (void)::rename(aside.constData(), name.constData());
        return fail(error);
    }
    file = FileState::usable;
    values = next;
    return true;
}

} // namespace vesk
