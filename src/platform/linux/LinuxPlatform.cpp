#include "NullPlatform.h"
#include "PlatformServices.h"
#include "XcbForegroundWindow.h"
#include "XcbHotkey.h"
#include "XcbWindowManager.h"

#include <QGuiApplication>
#include <xcb/xcb.h>

namespace vesk {

PlatformServices createPlatformServices()
{
    PlatformServices services = nullPlatformServices();
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return services;
    xcb_connection_t* connection = x11->connection();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!screen)
        return services;
    services.hotkey = std::make_unique<XcbHotkey>(connection, screen->root);
    services.foregroundWindow = std::make_unique<XcbForegroundWindow>(connection, screen->root);
    services.windowManager = std::make_unique<XcbWindowManager>(connection, 0);
    return services;
}

} // namespace vesk
