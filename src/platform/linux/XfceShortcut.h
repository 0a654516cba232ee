#pragma once

#include "PlatformServices.h"

#include <QMap>
#include <QStringList>
#include <optional>

namespace vesk {

// A command shortcut in XFCE's keyboard settings (the channel xfce4-keyboard-shortcuts, which
// XFCE's settings daemon grabs and runs), read and written with xfconf-query. The window manager's
// own keys (xfwm4 keeps Alt+Space for its window menu) live in the same channel and count as taken.
class XfceShortcut final : public DesktopShortcut {
public:
    // `program` is xfconf-query, or a stand-in for tests.
    explicit XfceShortcut(QString program = QStringLiteral("xfconf-query"));

    Binding binding(const KeyChord& keys, const QString& command) override;
    Result add(const QString& name, const KeyChord& keys, const QString& command) override;

    static inline const QString channel = QStringLiteral("xfce4-keyboard-shortcuts");

    // What the channel (its properties and values, as `xfconf-query -l -v` lists them) binds to
    // `keys`: the command, the window manager action, or nothing. Only the set in force counts:
    // the user's own ("custom") once they changed anything, else XFCE's defaults.
    static std::optional<QString> boundTo(const QMap<QString, QString>& properties, const KeyChord& keys);
    // The xfconf-query argument lists that add `command` on `keys`: the defaults copied into the
    // user's own set first when there is none yet, as XFCE's settings do on a first change, so the
    // other shortcuts keep working.
    static QList<QStringList> additions(const QMap<QString, QString>& properties, const KeyChord& keys,
                                        const QString& command);

private:
    std::optional<QMap<QString, QString>> read();
    bool run(const QStringList& arguments, QByteArray* out = nullptr);

    QString program;
};

} // namespace vesk
