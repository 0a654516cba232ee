#include "InstallLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace vesk {

namespace {
QString under(const QString& prefix, const QString& dir)
{
    return QDir::isAbsolutePath(dir) ? QDir::cleanPath(dir) : QDir::cleanPath(prefix + QLatin1Char('/') + dir);
}
} // namespace

InstallLayout InstallLayout::current()
{
    return {QCoreApplication::applicationDirPath(), QStringLiteral(VESK_INSTALL_PREFIX),
            QStringLiteral(VESK_INSTALL_BINDIR), QStringLiteral(VESK_INSTALL_LIBEXECDIR)};
}

QStringList InstallLayout::candidates(const QString& program) const
{
    QStringList dirs{QDir::cleanPath(selfDir)};
    // Running from <root>/<bindir>: the programs installed beside it share <root> as their prefix.
    const QString tail = QLatin1Char('/') + QDir::cleanPath(bindir);
    if (!QDir::isAbsolutePath(bindir) && dirs.first().endsWith(tail)) {
        const QString root = dirs.first().chopped(tail.size());
        dirs << under(root, libexecdir);
    }
    dirs << under(prefix, bindir) << under(prefix, libexecdir);
    dirs.removeDuplicates();

    QStringList paths;
    for (const QString& dir : dirs)
        paths << dir + QLatin1Char('/') + program;
    return paths;
}

std::optional<QString> InstallLayout::find(const QString& program) const
{
    for (const QString& path : candidates(program)) {
        const QFileInfo info(path);
        if (info.isFile() && info.isExecutable())
            return path;
    }
    return std::nullopt;
}

} // namespace vesk
