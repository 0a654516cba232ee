#include "XcbWindowManager.h"

#include <QByteArray>
#include <QWindow>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace vesk {

XcbWindowManager::XcbWindowManager(xcb_connection_t* connection, int screenNumber)
    : connection(connection)
    , screenNumber(screenNumber)
{
}

uint32_t XcbWindowManager::atom(const char* name)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const uint32_t value = reply ? reply->atom : uint32_t(XCB_ATOM_NONE);
    std::free(reply);
    return value;
}

void XcbWindowManager::showOnEveryDesktop(QWindow& window)
{
    const auto id = static_cast<xcb_window_t>(window.winId());
    const uint32_t desktop = atom("_NET_WM_DESKTOP");
    const uint32_t state = atom("_NET_WM_STATE");
    const uint32_t sticky = atom("_NET_WM_STATE_STICKY");
    if (!id || desktop == XCB_ATOM_NONE || state == XCB_ATOM_NONE || sticky == XCB_ATOM_NONE)
        return;
    // A window not yet mapped carries its wishes as properties; Qt keeps the states it finds when
    // it maps the window.
    const uint32_t everyDesktop = 0xFFFFFFFF;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, desktop, XCB_ATOM_CARDINAL, 32, 1, &everyDesktop);
    xcb_change_property(connection, XCB_PROP_MODE_APPEND, id, state, XCB_ATOM_ATOM, 32, 1, &sticky);
    xcb_flush(connection);
}

bool XcbWindowManager::compositing()
{
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screenNumber);
    const uint32_t selection = atom(name.constData());
    if (selection == XCB_ATOM_NONE)
        return false;
    xcb_get_selection_owner_reply_t* reply
        = xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr);
    const bool owned = reply && reply->owner != XCB_NONE;
    std::free(reply);
    return owned;
}

} // namespace vesk
