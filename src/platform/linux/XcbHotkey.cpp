#include "XcbHotkey.h"

#include <QCoreApplication>
#include <cstdlib>
#include <xcb/xcb.h>

namespace vesk {

namespace {
constexpr uint32_t keysymAltL = 0xffe9;
constexpr uint32_t keysymAltR = 0xffea;
constexpr uint32_t keysymSuperL = 0xffeb;
constexpr uint32_t keysymSuperR = 0xffec;
constexpr uint32_t keysymNumLock = 0xff7f;
constexpr uint8_t badAccess = 10;

// A letter's keysym is its lower-case character; the mapping may list only the upper-case one.
bool carries(uint32_t mapped, uint32_t wanted)
{
    return mapped == wanted || (wanted >= 'a' && wanted <= 'z' && mapped == wanted - 'a' + 'A');
}
} // namespace

XcbHotkey::XcbHotkey(xcb_connection_t* connection, uint32_t root)
    : connection(connection)
    , root(root)
{
}

XcbHotkey::~XcbHotkey()
{
    if (filtering && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    ungrab();
}

std::vector<uint16_t> XcbHotkey::variants(uint16_t modifiers, uint16_t numLock, uint16_t lock)
{
    std::vector<uint16_t> out{modifiers, static_cast<uint16_t>(modifiers | lock)};
    // Without a NumLock modifier in the mapping there is nothing more to cover.
    if (numLock != 0) {
        out.push_back(static_cast<uint16_t>(modifiers | numLock));
        out.push_back(static_cast<uint16_t>(modifiers | numLock | lock));
    }
    return out;
}

std::optional<XcbHotkey::Mapping> XcbHotkey::readMapping(xcb_connection_t* connection, const KeyChord& keys)
{
    Mapping m;
    const uint32_t wanted = keys.keysym();
    uint16_t altMask = 0;
    uint16_t superMask = 0;
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const uint8_t first = setup->min_keycode;
    const uint8_t count = static_cast<uint8_t>(setup->max_keycode - setup->min_keycode + 1);

    xcb_get_keyboard_mapping_reply_t* keyboard
        = xcb_get_keyboard_mapping_reply(connection, xcb_get_keyboard_mapping(connection, first, count), nullptr);
    if (!keyboard)
        return std::nullopt;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(keyboard);
    const int perCode = keyboard->keysyms_per_keycode;
    auto symsOf = [&](uint8_t code) -> std::vector<uint32_t> {
        if (code < first || code >= first + count)
            return {};
        const xcb_keysym_t* row = syms + (code - first) * perCode;
        return {row, row + perCode};
    };

    for (int i = 0; i < count && m.keycode == 0; ++i) {
        const uint8_t code = static_cast<uint8_t>(first + i);
        for (uint32_t s : symsOf(code))
            if (carries(s, wanted)) {
                m.keycode = code;
                break;
            }
    }

    xcb_get_modifier_mapping_reply_t* modifiers
        = xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr);
    if (modifiers) {
        const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(modifiers);
        const int perModifier = modifiers->keycodes_per_modifier;
        for (int mod = 0; mod < 8; ++mod) {
            for (int k = 0; k < perModifier; ++k) {
                const xcb_keycode_t code = codes[mod * perModifier + k];
                if (code == 0)
                    continue;
                for (uint32_t s : symsOf(code)) {
                    if (s == keysymAltL || s == keysymAltR)
                        altMask |= static_cast<uint16_t>(1u << mod);
                    if (s == keysymSuperL || s == keysymSuperR)
                        superMask |= static_cast<uint16_t>(1u << mod);
                    if (s == keysymNumLock)
                        m.numLockMask |= static_cast<uint16_t>(1u << mod);
                }
            }
        }
        std::free(modifiers);
    }
    std::free(keyboard);
    const bool alt = keys.modifiers & KeyChord::alt;
    const bool super = keys.modifiers & KeyChord::super;
    if (wanted == 0 || m.keycode == 0 || (alt && altMask == 0) || (super && superMask == 0))
        return std::nullopt;
    // Control and Shift are fixed by the protocol; Alt and Super are wherever the mapping put them.
    m.modifiers = static_cast<uint16_t>((keys.modifiers & KeyChord::ctrl ? XCB_MOD_MASK_CONTROL : 0)
                                        | (keys.modifiers & KeyChord::shift ? XCB_MOD_MASK_SHIFT : 0)
                                        | (alt ? altMask : 0) | (super ? superMask : 0));
    return m;
}

Hotkey::Registration XcbHotkey::grab()
{
    const auto read = readMapping(connection, keys);
    if (!read)
        return Registration::unavailable;
    mapping = *read;
    for (uint16_t mods : variants(mapping.modifiers, mapping.numLockMask, XCB_MOD_MASK_LOCK)) {
        const xcb_void_cookie_t cookie = xcb_grab_key_checked(connection, 1, root, mods, mapping.keycode,
                                                              XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        if (xcb_generic_error_t* error = xcb_request_check(connection, cookie)) {
            const bool taken = error->error_code == badAccess;
            std::free(error);
            ungrab();
            return taken ? Registration::taken : Registration::unavailable;
        }
        grabbed.push_back(mods);
    }
    xcb_flush(connection);
    return Registration::registered;
}

void XcbHotkey::ungrab()
{
    if (grabbed.empty())
        return;
    for (uint16_t mods : grabbed)
        xcb_ungrab_key(connection, mapping.keycode, root, mods);
    grabbed.clear();
    // A round trip, so the keys are free for other clients by the time this returns.
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

Hotkey::Registration XcbHotkey::registerShortcut(const KeyChord& chord, const QObject* receiver,
                                                 std::function<void()> pressed, std::function<void(Registration)>)
{
    this->receiver = receiver;
    callback = std::move(pressed);
    keys = chord;
    ungrab();
    const Registration result = grab();
    if (result == Registration::registered && !filtering) {
        QCoreApplication::instance()->installNativeEventFilter(this);
        filtering = true;
    }
    return result;
}

void XcbHotkey::release()
{
    ungrab();
}

bool XcbHotkey::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    const uint8_t type = event->response_type & 0x7f;

    if (type == XCB_MAPPING_NOTIFY) {
        // The keycode or the modifier masks may have moved: grab again with the new mapping.
        // Qt also needs the event, so it is not consumed. Released keys stay released.
        if (!grabbed.empty()) {
            ungrab();
            grab();
        }
        return false;
    }
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
    if (key->detail != mapping.keycode || grabbed.empty())
        return false;
    const uint16_t state = key->state & static_cast<uint16_t>(~(XCB_MOD_MASK_LOCK | mapping.numLockMask));
    if (type == XCB_KEY_RELEASE) {
        held = false;
        lastReleaseTime = key->time;
        return false;
    }
    if (state != mapping.modifiers)
        return false;
    // Auto-repeat shows as presses without a release, or as a release and a press with the
    // same time stamp.
    if (held || key->time == lastReleaseTime) {
        held = true;
        return true;
    }
    held = true;
    if (receiver && callback)
        callback();
    return true;
}

} // namespace vesk
