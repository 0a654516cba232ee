#pragma once

#include "DesktopIndex.h"
#include "PlatformServices.h"

#include <memory>

namespace vesk {

// Installed applications from their desktop entries (see DesktopIndex: read off the main thread
// and kept), icons from the icon theme, and addresses opened by the desktop's handler. An
// application's id is its desktop id. Works on every Linux display server.
class LinuxWorkspace final : public Workspace {
public:
    explicit LinuxWorkspace(std::shared_ptr<DesktopIndex> index);

    bool listsApplications() const override { return true; }
    std::optional<Application> application(const QString& applicationId) override;
    // Shows the applications a menu would list, as soon as the index has them, and reads the
    // entries again meanwhile, so one installed a moment ago is there too.
    std::optional<Application> chooseApplication(QWidget* parent, const QString& title, const QString& accept,
                                                 const QStringList& leaveOut) override;
    bool openUrl(const QUrl& url) override;

    // An entry's icon: a theme icon by name, or the image file an absolute path names.
    static QIcon iconOf(const DesktopEntry& entry);

private:
    std::shared_ptr<DesktopIndex> index;
};

// The window in front, named as the desktop names its application: the name and desktop id of the
// installed application it belongs to, found by its application id or its WM_CLASS class; a window
// of no installed application keeps its class as its name.
class NamedForegroundWindow final : public ForegroundWindow {
public:
    NamedForegroundWindow(std::unique_ptr<ForegroundWindow> window, std::shared_ptr<DesktopIndex> index);

    std::optional<ForegroundApp> current() override;

private:
    std::unique_ptr<ForegroundWindow> window;
    std::shared_ptr<DesktopIndex> index;
};

} // namespace vesk
