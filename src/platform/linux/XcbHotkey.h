#pragma once

#include "PlatformServices.h"

#include <QAbstractNativeEventFilter>
#include <cstdint>
#include <optional>
#include <vector>

struct xcb_connection_t;

namespace vesk {

// The shortcut's keys grabbed on the X11 root window. The grab covers every CapsLock/NumLock
// combination, since X matches modifier state exactly and the shortcut must work with NumLock on.
// Presses arrive through Qt's native event filter.
class XcbHotkey final : public Hotkey, public QAbstractNativeEventFilter {
public:
    XcbHotkey(xcb_connection_t* connection, uint32_t root);
    ~XcbHotkey() override;

    Registration registerShortcut(const KeyChord& keys, const QObject* receiver, std::function<void()> pressed,
                                  std::function<void(Registration)>) override;
    void release() override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

    // The four modifier sets grabbed for a given modifier, NumLock and Lock mask.
    static std::vector<uint16_t> variants(uint16_t modifiers, uint16_t numLock, uint16_t lock);

    // The keys in the server's current mapping: the keycode that carries the chord's keysym, the
    // X modifier mask of its modifiers (Alt and Super wherever the modifier mapping put them) and
    // the NumLock mask; nothing when no key carries the keysym or a modifier is not mapped.
    struct Mapping {
        uint8_t keycode = 0;
        uint16_t modifiers = 0;
        uint16_t numLockMask = 0;
    };
    static std::optional<Mapping> readMapping(xcb_connection_t* connection, const KeyChord& keys);

private:
    Registration grab();
    void ungrab();

    xcb_connection_t* connection;
    uint32_t root;
    KeyChord keys;
    QPointer<const QObject> receiver;
    std::function<void()> callback;
    Mapping mapping;
    std::vector<uint16_t> grabbed;
    bool filtering = false;
    bool held = false;
    uint32_t lastReleaseTime = 0;
};

} // namespace vesk
