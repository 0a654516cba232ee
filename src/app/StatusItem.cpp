#include "StatusItem.h"

#include "Ink.h"
#include "MenuText.h"
#include "StatusIcon.h"
#include "StatusMenu.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QSystemTrayIcon>

namespace vesk {

StatusItem::StatusItem(StatusMenu& menu, QObject* parent)
    : QObject(parent)
    , menu(menu)
{
    connect(&menu, &StatusMenu::proposalsChanged, this, [this] { render(last); });
}

StatusItem::~StatusItem() = default;

void StatusItem::create()
{
    item = std::make_unique<QSystemTrayIcon>();
    item->setIcon(drawnIcon);
    item->setToolTip(tip);
    menu.setStatusItem(item.get());
    // A left click opens the same menu as a right click: the item has no other action.
    connect(item.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger && item->geometry().isValid())
            menu.menu()->popup(QCursor::pos());
    });
    item->setVisible(true); // after the first icon: an item without one is not shown
    item->setContextMenu(menu.menu());
}

void StatusItem::render(const DaemonClient::State& state)
{
    last = state;
    const qint64 waiting = menu.pendingProposals();
    const MenuText::StateLines lines = MenuText::forState(state, waiting);
    const bool dark = Ink::isDark(nullptr);
    const IconInputs inputs{lines.glyph, (lines.recording ? Ink::dot() : Ink::text2()).resolve(dark), waiting, dark};
    // A flood of identical states must not repaint the icon each time.
    if (inputs != drawn) {
        drawn = inputs;
        drawnIcon = dotIcon(inputs.glyph, inputs.colour, lines.recording, waiting, dark);
        if (item)
            item->setIcon(drawnIcon);
    }
    if (lines.tooltip != tip) {
        tip = lines.tooltip;
        if (item)
            item->setToolTip(tip);
    }
    menu.setStateLine(lines.title);
    emit stateLineChanged(lines.title);
}

QString StatusItem::diagnosticLine() const
{
    const QRect geometry = item ? item->geometry() : QRect();
    const QScreen* screen = QGuiApplication::primaryScreen();
    // Linux screens have no notch: its edges are reported as missing.
    return MenuText::diagnosticLine(item && item->isVisible() && QSystemTrayIcon::isSystemTrayAvailable(), geometry.x(),
                                    geometry.width(), screen ? screen->geometry().width() : 0.0, -1.0, -1.0);
}

} // namespace vesk
