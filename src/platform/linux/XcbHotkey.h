#pragma once

#include "PlatformServices.h"

#include <QAbstractNativeEventFilter>
#include <cstdint>
#include <optional>
#include <vector>

struct xcb_connection_t;

namespace vesk {

// Alt+Space grabbed on the X11 root window. The grab covers every CapsLock/NumLock combination,
// since X matches modifier state exactly and the shortcut must work with NumLock on. Presses
// arrive through Qt's native event filter.
class XcbHotkey final : public Hotkey, public QAbstractNativeEventFilter {
public:
    XcbHotkey(xcb_connection_t* connection, uint32_t root);
    ~XcbHotkey() override;

    Registration registerShortcut(const QObject* receiver, std::function<void()> pressed,
                                  std::function<void(Registration)>) override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

    // The four modifier sets grabbed for a given Alt, NumLock and Lock mask.
    static std::vector<uint16_t> variants(uint16_t alt, uint16_t numLock, uint16_t lock);

    // The Space keycode and the Alt and NumLock masks in the server's current mapping; nothing
    // when there is no Space key or no Alt modifier.
    struct Mapping {
        uint8_t keycode = 0;
        uint16_t altMask = 0;
        uint16_t numLockMask = 0;
    };
    static std::optional<Mapping> readMapping(xcb_connection_t* connection);

private:
    Registration grab();
    void ungrab();

    xcb_connection_t* connection;
    uint32_t root;
    QPointer<const QObject> receiver;
    std::function<void()> callback;
    uint8_t keycode = 0;
    uint16_t altMask = 0;
    uint16_t numLockMask = 0;
    std::vector<uint16_t> grabbed;
    bool registered = false;
    bool held = false;
    uint32_t lastReleaseTime = 0;
};

} // namespace vesk
