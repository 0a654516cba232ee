#pragma once

#include "PlatformServices.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

struct xcb_connection_t;

namespace vesk {

// The active window as the window manager publishes it (EWMH): its title, application id,
// full-screen state and process. Without a window manager that publishes _NET_ACTIVE_WINDOW, or
// when the active window is already gone, there is no foreground window.
class XcbForegroundWindow final : public ForegroundWindow {
public:
    XcbForegroundWindow(xcb_connection_t* connection, uint32_t root);

    std::optional<ForegroundApp> current() override;

    // The instance and class parts of a WM_CLASS value (two strings, each ended by a zero byte).
    static std::pair<QString, QString> splitWmClass(const QByteArray& value);
    // The desktop-file id for a window class: a reverse-DNS class as it is, any other lower-cased
    // with spaces as dashes ("Firefox-esr" → "firefox-esr"); the instance when there is no class.
    static QString desktopIdFromClass(const QString& instance, const QString& windowClass);
    // The id a toolkit published (_GTK_APPLICATION_ID, _KDE_NET_WM_DESKTOP_FILE) wins over the
    // one derived from the window class.
    static QString applicationId(const QByteArray& publishedId, const QByteArray& wmClass);

    // How a title property's bytes are to be read, by the property's type; a type that is not
    // text (CARDINAL, ATOM, …) gives no title.
    enum class Encoding { utf8, latin1, compoundText, notText };
    // The title another program set, as text fit for a search query and a card: invalid UTF-8
    // and control characters (NUL, ESC, DEL, C1) are dropped, line breaks and tabs become spaces.
    static QString title(Encoding encoding, const QByteArray& bytes);

private:
    enum Atom {
        activeWindow,
        wmName,
        utf8String,
        compoundText,
        wmPid,
        wmState,
        wmStateFullScreen,
        gtkApplicationId,
        kdeDesktopFile,
        atomCount
    };
    bool internAtoms();

    xcb_connection_t* connection;
    uint32_t root;
    uint32_t atoms[atomCount] = {};
    bool interned = false;
};

} // namespace vesk
