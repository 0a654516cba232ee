#include "DesktopIndex.h"

#include "MainThread.h"

#include <QCoreApplication>
#include <QDir>
#include <QSet>
#include <chrono>

// GIO declares a struct member named "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#pragma pop_macro("signals")

namespace vesk {

namespace {

QString text(const char* s)
{
    return s ? QString::fromUtf8(s) : QString();
}

QString withoutSuffix(QString id)
{
    if (id.endsWith(QStringLiteral(".desktop")))
        id.chop(8);
    return id;
}

DesktopEntry entryOf(GDesktopAppInfo* info, const QString& id)
{
    GAppInfo* app = G_APP_INFO(info);
    char* icon = g_desktop_app_info_get_string(info, "Icon");
    DesktopEntry e{withoutSuffix(id), text(g_app_info_get_name(app)), text(icon),
                   text(g_desktop_app_info_get_startup_wm_class(info)), g_app_info_should_show(app) != FALSE};
    g_free(icon);
    return e;
}

} // namespace

QStringList flatpakApplicationDirs(const QString& userDataDir, const QStringList& systemDataDirs)
{
    const auto exportsOf
        = [](const QString& data) { return QDir::cleanPath(data + QStringLiteral("/flatpak/exports/share")); };
    QSet<QString> covered{QDir::cleanPath(userDataDir)};
    for (const QString& dir : systemDataDirs)
        covered.insert(QDir::cleanPath(dir));
    QStringList out;
    for (const QString& exports : {exportsOf(userDataDir), QStringLiteral("/var/lib/flatpak/exports/share")})
        if (!covered.contains(exports))
            out << exports + QStringLiteral("/applications");
    return out;
}

QList<DesktopEntry> readInstalledApplications()
{
    QList<DesktopEntry> out;
    QSet<QString> seen;
    GList* all = g_app_info_get_all();
    for (GList* item = all; item; item = item->next) {
        if (!G_IS_DESKTOP_APP_INFO(item->data))
            continue;
        const QString id = text(g_app_info_get_id(G_APP_INFO(item->data)));
        if (id.isEmpty())
            continue;
        out.append(entryOf(G_DESKTOP_APP_INFO(item->data), id));
        seen.insert(out.last().id);
    }
    g_list_free_full(all, g_object_unref);

    QStringList systemDirs;
    for (const char* const* dir = g_get_system_data_dirs(); dir && *dir; ++dir)
        systemDirs << text(*dir);
    for (const QString& dir : flatpakApplicationDirs(text(g_get_user_data_dir()), systemDirs)) {
        // Flatpak exports every application at the top of its folder, so the file name is the id.
        for (const QString& file : QDir(dir).entryList({QStringLiteral("*.desktop")}, QDir::Files)) {
            if (seen.contains(withoutSuffix(file)))
                continue;
            GDesktopAppInfo* info = g_desktop_app_info_new_from_filename(QDir(dir).filePath(file).toUtf8().constData());
            if (!info)
                continue;
            out.append(entryOf(info, file));
            seen.insert(out.last().id);
            g_object_unref(info);
        }
    }
    return out;
}

DesktopIndex::DesktopIndex(Reader read)
    : read(std::move(read))
{
    // Reading every entry costs a start-up processor time and memory it needs for itself: with an
    // event loop the read begins after its first turn, or at the first lookup if that comes sooner.
    if (!QCoreApplication::instance()) {
        std::lock_guard lock(mutex);
        start();
        return;
    }
    afterFirstTurn(&context, [this] {
        std::lock_guard lock(mutex);
        if (!started)
            start();
    });
}

DesktopIndex::~DesktopIndex()
{
    std::thread finishing;
    {
        std::lock_guard lock(mutex);
        readAgain = false;
        whenRead.clear();
        finishing = std::move(worker);
    }
    if (finishing.joinable())
        finishing.join();
}

void DesktopIndex::start()
{
    if (reading) {
        readAgain = true; // the read under way may have started before the change asked about
        return;
    }
    reading = true;
    started = true;
    if (worker.joinable())
        worker.join(); // a finished read: it only has to be collected
    worker = std::thread([this] { work(); });
}

void DesktopIndex::work()
{
    for (;;) {
        QList<DesktopEntry> fresh = read();
        std::lock_guard lock(mutex);
        current = std::move(fresh);
        loaded = true;
        firstRead.notify_all();
        if (readAgain) {
            readAgain = false;
            continue;
        }
        reading = false;
        for (const auto& deliver : whenRead)
            deliver();
        whenRead.clear();
        return;
    }
}

void DesktopIndex::refresh(const QObject* receiver, std::function<void()> done)
{
    // Made here, on the main thread, so the worker only hands the call over.
    auto deliver = toReceiver(receiver, [done = std::move(done)] {
        if (done)
            done();
    });
    std::lock_guard lock(mutex);
    whenRead.append([deliver]() mutable { deliver(); });
    start();
}

QList<DesktopEntry> DesktopIndex::entries() const
{
    std::unique_lock lock(mutex);
    if (!started)
        const_cast<DesktopIndex*>(this)->start(); // a lookup before the deferred start begins the read
    firstRead.wait_for(lock, std::chrono::milliseconds(firstReadWaitMs), [this] { return loaded; });
    return current;
}

std::optional<DesktopEntry> DesktopIndex::byId(const QString& id) const
{
    for (const DesktopEntry& e : entries())
        if (e.id == id)
            return e;
    return std::nullopt;
}

std::optional<DesktopEntry> DesktopIndex::forWindow(const QString& applicationId, const QString& windowClass) const
{
    const QList<DesktopEntry> all = entries();
    for (const DesktopEntry& e : all)
        if (!applicationId.isEmpty() && e.id == applicationId)
            return e;
    if (windowClass.isEmpty())
        return std::nullopt;
    for (const Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive})
        for (const DesktopEntry& e : all)
            if (e.windowClass.compare(windowClass, cs) == 0)
                return e;
    return std::nullopt;
}

} // namespace vesk
