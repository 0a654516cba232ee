#include "LinuxWorkspace.h"

#include "ApplicationChooser.h"

#include <QDesktopServices>
#include <QDir>

namespace vesk {

namespace {

Workspace::Application applicationOf(const DesktopEntry& e)
{
    return Workspace::Application{e.id, e.name.isEmpty() ? e.id : e.name, LinuxWorkspace::iconOf(e)};
}

QList<Workspace::Application> listed(const QList<DesktopEntry>& entries)
{
    QList<Workspace::Application> out;
    for (const DesktopEntry& e : entries)
        if (e.listed)
            out.append(applicationOf(e));
    return out;
}

} // namespace

LinuxWorkspace::LinuxWorkspace(std::shared_ptr<DesktopIndex> index)
    : index(std::move(index))
{
}

QIcon LinuxWorkspace::iconOf(const DesktopEntry& entry)
{
    if (entry.icon.isEmpty())
        return QIcon::fromTheme(QStringLiteral("application-x-executable"));
    if (QDir::isAbsolutePath(entry.icon))
        return QIcon(entry.icon);
    return QIcon::fromTheme(entry.icon, QIcon::fromTheme(QStringLiteral("application-x-executable")));
}

std::optional<Workspace::Application> LinuxWorkspace::application(const QString& applicationId)
{
    const auto entry = index->byId(applicationId);
    if (!entry)
        return std::nullopt;
    return applicationOf(*entry);
}

std::optional<Workspace::Application> LinuxWorkspace::chooseApplication(QWidget* parent, const QString& title,
                                                                        const QString& accept,
                                                                        const QStringList& leaveOut)
{
    ApplicationChooser chooser(title, accept, leaveOut, parent);
    chooser.setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    index->refresh(&chooser, [&chooser, this] { chooser.setApplications(listed(index->entries())); });
    if (chooser.exec() != QDialog::Accepted)
        return std::nullopt;
    return chooser.chosen();
}

bool LinuxWorkspace::openUrl(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

NamedForegroundWindow::NamedForegroundWindow(std::unique_ptr<ForegroundWindow> window,
                                             std::shared_ptr<DesktopIndex> index)
    : window(std::move(window))
    , index(std::move(index))
{
}

std::optional<ForegroundApp> NamedForegroundWindow::current()
{
    std::optional<ForegroundApp> front = window->current();
    if (!front)
        return front;
    // The reading names the window by its WM_CLASS class until an entry says better.
    if (const auto entry = index->forWindow(front->applicationId, front->name)) {
        front->applicationId = entry->id;
        if (!entry->name.isEmpty())
            front->name = entry->name;
    }
    return front;
}

} // namespace vesk
