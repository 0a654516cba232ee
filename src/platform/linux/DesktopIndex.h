#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace vesk {

// One installed application as its desktop entry describes it.
struct DesktopEntry {
    QString id;          // the desktop id: the entry's file name without ".desktop"
    QString name;        // Name, in the user's language
    QString icon;        // Icon: a theme icon name or an absolute path
    QString windowClass; // StartupWMClass: the WM_CLASS its windows carry, when it says
    bool listed = true;  // false for entries a menu would not show (NoDisplay, OnlyShowIn)
    bool operator==(const DesktopEntry&) const = default;
};

// Every installed desktop entry, read through GIO: the XDG data directories it searches, plus the
// flatpak export directories when the session's XDG_DATA_DIRS leaves them out. Blocking file I/O:
// call it off the main thread.
QList<DesktopEntry> readInstalledApplications();

// The flatpak export directories of applications ("<data>/flatpak/exports/share/applications",
// per user and system-wide) that the data directories do not already cover.
QStringList flatpakApplicationDirs(const QString& userDataDir, const QStringList& systemDataDirs);

// The installed applications, read on a worker thread and kept: the main thread asks this snapshot
// and never touches a file. Reading starts after the event loop's first turn (at construction
// without an application object), or at the first lookup if that is sooner; a lookup made before
// the first read has finished waits for it, at most `firstReadWait`, so even a cold start is bounded.
class DesktopIndex {
public:
    using Reader = std::function<QList<DesktopEntry>()>;
    static constexpr int firstReadWaitMs = 1500;

    explicit DesktopIndex(Reader read = readInstalledApplications);
    // Waits for a read in progress (reading desktop entries takes milliseconds).
    ~DesktopIndex();

    DesktopIndex(const DesktopIndex&) = delete;
    DesktopIndex& operator=(const DesktopIndex&) = delete;

    // Reads the entries again, on the worker thread; `done` runs on the main thread, while
    // `receiver` exists, once the new entries are in. Call from the main thread.
    void refresh(const QObject* receiver, std::function<void()> done);

    // The entries of the latest read (empty until the first one ends, after the bounded wait).
    QList<DesktopEntry> entries() const;
    std::optional<DesktopEntry> byId(const QString& id) const;
    // The application a window belongs to: the entry with its application id, else the one whose
    // StartupWMClass is its WM_CLASS class (exactly, then ignoring case).
    std::optional<DesktopEntry> forWindow(const QString& applicationId, const QString& windowClass) const;

private:
    void start();
    void work();

    Reader read;
    mutable std::mutex mutex;
    mutable std::condition_variable firstRead;
    QList<DesktopEntry> current;
    bool loaded = false;
    bool started = false;
    bool reading = false;
    bool readAgain = false;
    QList<std::function<void()>> whenRead; // deliveries to the main thread, posted after the read
    std::thread worker;
    // Main thread: drops the deferred start with the index.
    QObject context;
};

} // namespace vesk
