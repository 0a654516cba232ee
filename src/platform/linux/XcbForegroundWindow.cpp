#include "XcbForegroundWindow.h"

#include "CompoundText.h"

#include <QStringDecoder>

#include <cstdlib>
#include <cstring>
#include <vector>
#include <xcb/xcb.h>

namespace vesk {

namespace {

constexpr uint8_t badWindowError = 3;
// Property reads are capped (in 32-bit units): a title longer than 16 KiB is cut.
constexpr uint32_t textLimit = 4096;
constexpr uint32_t listLimit = 64;

// One property of one window, read with a cap; owns the reply.
struct Property {
    xcb_get_property_reply_t* reply = nullptr;
    bool badWindow = false;

    Property(xcb_connection_t* c, xcb_get_property_cookie_t cookie)
    {
        xcb_generic_error_t* error = nullptr;
        reply = xcb_get_property_reply(c, cookie, &error);
        if (error) {
            badWindow = error->error_code == badWindowError;
            std::free(error);
        }
    }
    ~Property() { std::free(reply); }
    Property(const Property&) = delete;
    Property& operator=(const Property&) = delete;

    bool present() const { return reply && reply->type != XCB_ATOM_NONE && xcb_get_property_value_length(reply) > 0; }
    uint32_t type() const { return reply ? reply->type : uint32_t(XCB_ATOM_NONE); }
    QByteArray bytes() const
    {
        if (!present())
            return {};
        return QByteArray(static_cast<const char*>(xcb_get_property_value(reply)),
                          xcb_get_property_value_length(reply));
    }
    // The 32-bit values of a CARDINAL, WINDOW or ATOM list.
    std::vector<uint32_t> values() const
    {
        if (!present() || reply->format != 32)
            return {};
        const auto* v = static_cast<const uint32_t*>(xcb_get_property_value(reply));
        return {v, v + xcb_get_property_value_length(reply) / 4};
    }
};

xcb_get_property_cookie_t ask(xcb_connection_t* c, uint32_t window, uint32_t property, uint32_t limit)
{
    return xcb_get_property(c, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, limit);
}

} // namespace

XcbForegroundWindow::XcbForegroundWindow(xcb_connection_t* connection, uint32_t root)
    : connection(connection)
    , root(root)
{
}

bool XcbForegroundWindow::internAtoms()
{
    if (interned)
        return true;
    static const char* const names[atomCount] = {"_NET_ACTIVE_WINDOW",
                                                 "_NET_WM_NAME",
                                                 "UTF8_STRING",
                                                 "COMPOUND_TEXT",
                                                 "_NET_WM_PID",
                                                 "_NET_WM_STATE",
                                                 "_NET_WM_STATE_FULLSCREEN",
                                                 "_GTK_APPLICATION_ID",
                                                 "_KDE_NET_WM_DESKTOP_FILE"};
    xcb_intern_atom_cookie_t cookies[atomCount];
    for (int i = 0; i < atomCount; ++i)
        cookies[i] = xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(names[i])), names[i]);
    bool ok = true;
    for (int i = 0; i < atomCount; ++i) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookies[i], nullptr);
        ok = ok && reply;
        if (reply)
            atoms[i] = reply->atom;
        std::free(reply);
    }
    interned = ok;
    return ok;
}

std::pair<QString, QString> XcbForegroundWindow::splitWmClass(const QByteArray& value)
{
    const QList<QByteArray> parts = value.split('\0');
    const QString instance = parts.isEmpty() ? QString() : QString::fromLocal8Bit(parts.value(0));
    return {instance, QString::fromLocal8Bit(parts.value(1))};
}

QString XcbForegroundWindow::desktopIdFromClass(const QString& instance, const QString& windowClass)
{
    const QString name = (windowClass.isEmpty() ? instance : windowClass).trimmed();
    // Reverse-DNS ids are case-sensitive desktop-file names ("org.gnome.Nautilus").
    if (name.count(QLatin1Char('.')) >= 2)
        return name;
    return name.toLower().replace(QLatin1Char(' '), QLatin1Char('-'));
}

QString XcbForegroundWindow::applicationId(const QByteArray& publishedId, const QByteArray& wmClass)
{
    QString published = QString::fromUtf8(publishedId).trimmed();
    if (published.endsWith(QStringLiteral(".desktop")))
        published.chop(8);
    if (!published.isEmpty())
        return published;
    const auto [instance, windowClass] = splitWmClass(wmClass);
    return desktopIdFromClass(instance, windowClass);
}

QString XcbForegroundWindow::title(Encoding encoding, const QByteArray& bytes)
{
    QString text;
    switch (encoding) {
    case Encoding::utf8: {
        // Invalid sequences become NULs, which go below with the other control characters.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInvalidToNull);
        text = utf8.decode(bytes);
        break;
    }
    case Encoding::latin1:
        text = QString::fromLatin1(bytes);
        break;
    case Encoding::compoundText:
        text = decodeCompoundText(bytes);
        break;
    case Encoding::notText:
        return QString(); // a number or an atom list is no title
    }
    QString out;
    out.reserve(text.size());
    for (const QChar c : std::as_const(text)) {
        if (c == u'\n' || c == u'\r' || c == u'\t')
            out += QLatin1Char(' ');
        else if (c.category() != QChar::Other_Control)
            out += c;
    }
    return out;
}

std::optional<ForegroundApp> XcbForegroundWindow::current()
{
    if (!connection || !internAtoms())
        return std::nullopt;
    uint32_t window = 0;
    {
        const Property active(connection, ask(connection, root, atoms[activeWindow], 1));
        const std::vector<uint32_t> v = active.values();
        if (v.empty() || v.front() == 0)
            return std::nullopt; // no window manager publishes it, or nothing is active
        window = v.front();
    }
    // Every property at once: one round trip for all of them.
    const auto netName = ask(connection, window, atoms[wmName], textLimit);
    const auto name = ask(connection, window, XCB_ATOM_WM_NAME, textLimit);
    const auto wmClass = ask(connection, window, XCB_ATOM_WM_CLASS, listLimit);
    const auto pid = ask(connection, window, atoms[wmPid], 1);
    const auto state = ask(connection, window, atoms[wmState], listLimit);
    const auto gtk = ask(connection, window, atoms[gtkApplicationId], listLimit);
    const auto kde = ask(connection, window, atoms[kdeDesktopFile], listLimit);
    const Property netNameP(connection, netName), nameP(connection, name), classP(connection, wmClass),
        pidP(connection, pid), stateP(connection, state), gtkP(connection, gtk), kdeP(connection, kde);
    // The window manager still names a window that is gone.
    for (const Property* p : {&netNameP, &nameP, &classP, &pidP, &stateP, &gtkP, &kdeP})
        if (p->badWindow)
            return std::nullopt;

    ForegroundApp app;
    if (netNameP.present())
        app.windowTitle
            = title(netNameP.type() == atoms[utf8String] ? Encoding::utf8 : Encoding::notText, netNameP.bytes());
    else if (nameP.present())
        // WM_NAME in the encoding its type names.
        app.windowTitle = title(nameP.type() == atoms[utf8String]         ? Encoding::utf8
                                    : nameP.type() == XCB_ATOM_STRING     ? Encoding::latin1
                                    : nameP.type() == atoms[compoundText] ? Encoding::compoundText
                                                                          : Encoding::notText,
                                nameP.bytes());
    app.applicationId = applicationId(gtkP.present() ? gtkP.bytes() : kdeP.bytes(), classP.bytes());
    app.name = splitWmClass(classP.bytes()).second;
    if (const auto v = pidP.values(); !v.empty())
        app.pid = v.front();
    for (uint32_t atom : stateP.values())
        app.fullScreen = app.fullScreen || atom == atoms[wmStateFullScreen];
    return app;
}

} // namespace vesk
