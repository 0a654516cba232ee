#include "PresentationMode.h"

#include "Alerts.h"
#include "Defaults.h"

#include <QApplication>
#include <QWidget>

namespace vesk {

namespace {
// An XEmbed tray shows the status item as a top-level window of its own: hiding it would take
// away the only way to turn the mode off.
bool isTrayIcon(const QWidget* w)
{
    return w->inherits("QSystemTrayIconSys");
}

// A menu opened while presenting is the status menu, where the mode is turned off: it may show.
bool isMenuLike(const QWidget* w)
{
    return w->windowType() == Qt::Popup || w->windowType() == Qt::ToolTip || isTrayIcon(w);
}
} // namespace

PresentationMode::PresentationMode(Defaults& defaults, QObject* parent)
    : QObject(parent)
    , defaults(defaults)
{
    // The visible-window guard: watch every window becoming active.
    qApp->installEventFilter(this);
}

PresentationMode::~PresentationMode()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

bool PresentationMode::isEnabled() const
{
    if (unsaved)
        return *unsaved;
    return defaults.boolean(QString::fromLatin1(key)).value_or(false);
}

bool PresentationMode::setEnabled(bool value)
{
    if (isEnabled() == value)
        return true;
    // A full disk must not leave the screen unprotected: the mode holds for this run even when
    // it could not be stored.
    const bool stored = defaults.setBoolean(QString::fromLatin1(key), value);
    if (stored)
        unsaved.reset();
    else
        unsaved = value;
    if (value) {
        abortModalDialogs();
        hideAllWindows();
    }
    emit changed();
    return stored;
}

void PresentationMode::hideAllWindows()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && !isTrayIcon(w))
            w->hide();
}

bool PresentationMode::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::WindowActivate || !watched->isWidgetType())
        return false;
    auto* w = static_cast<QWidget*>(watched);
    if (!w->isWindow() || isMenuLike(w) || !isEnabled())
        return false;
    // A modal alert the application raised while presenting stays: the user must answer it.
    if (w == QApplication::activeModalWidget() || w->windowModality() != Qt::NonModal)
        return false;
    w->hide();
    return false;
}

} // namespace vesk
