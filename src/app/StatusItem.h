#pragma once

#include "DaemonClient.h"

#include <QColor>
#include <QIcon>
#include <QObject>
#include <QString>
#include <memory>

class QSystemTrayIcon;

namespace vesk {

class StatusMenu;

// The status item: the tray icon drawn from the daemon's state and the count of proposals waiting
// (the menu keeps that count), its tooltip, and the menu's first line, which the ask panel also
// shows. A left click opens the same menu as a right click. Icon and tooltip are kept even without
// a tray host, so they can be read anywhere. Main thread only.
class StatusItem : public QObject {
    Q_OBJECT
public:
    explicit StatusItem(StatusMenu& menu, QObject* parent = nullptr);
    ~StatusItem() override;

    // Puts the item in the tray with the icon rendered last, and attaches the menu.
    void create();
    // Icon, tooltip and first line from a daemon state; the menu's new proposal count renders the
    // last state again.
    void render(const DaemonClient::State& state);
    // The diagnostic line: whether the item shows, and where.
    QString diagnosticLine() const;

    // Null until created.
    QSystemTrayIcon* trayIcon() const { return item.get(); }
    const DaemonClient::State& lastState() const { return last; }
    // The icon and tooltip as last rendered.
    const QIcon& icon() const { return drawnIcon; }
    const QString& toolTip() const { return tip; }

signals:
    // The first line, for the ask panel's title.
    void stateLineChanged(const QString& line);

private:
    // What the icon was last drawn from, so an unchanged state draws nothing.
    struct IconInputs {
        QString glyph;
        QColor colour;
        qint64 badge = -1;
        bool dark = false;
        bool operator==(const IconInputs&) const = default;
    };

    StatusMenu& menu;
    std::unique_ptr<QSystemTrayIcon> item;
    DaemonClient::State last = DaemonClient::Unreachable{};
    IconInputs drawn;
    QIcon drawnIcon;
    QString tip;
};

} // namespace vesk
