#pragma once

#include "PlatformServices.h"

#include <cstdint>

struct xcb_connection_t;

namespace vesk {

// Our floating panels under an X11 window manager: kept on every virtual desktop through the EWMH
// desktop "all" (0xFFFFFFFF) and the sticky state, and drawn with their shadow only while a
// compositing manager owns the screen's _NET_WM_CM_S selection.
class XcbWindowManager final : public WindowManager {
public:
    XcbWindowManager(xcb_connection_t* connection, int screenNumber);

    void showOnEveryDesktop(QWindow& window) override;
    bool compositing() override;

private:
    uint32_t atom(const char* name);

    xcb_connection_t* connection;
    int screenNumber;
};

} // namespace vesk
