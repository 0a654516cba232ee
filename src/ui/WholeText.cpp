#include "WholeText.h"

#include "Alerts.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QTextDocument>
#include <QWidget>

namespace vesk::WholeText {

namespace {
// Longer than this, or on more than one line, a tool tip is wrapped.
constexpr qsizetype oneLine = 120;

QString wrapped(const QString& whole)
{
    bool cut = false;
    // Rich text, so a tool tip wraps it instead of drawing one line wider than the screen.
    return Qt::convertFromPlainText(shownCut(whole, 12, 900, cut), Qt::WhiteSpaceNormal);
}
} // namespace

QString tip(const QString& whole)
{
    // A short daemon text is still wrapped when Qt would take it for markup: it is shown as written.
    const bool plainLine = whole.size() <= oneLine && !whole.contains(QLatin1Char('\n')) && !Qt::mightBeRichText(whole);
    return plainLine ? whole : wrapped(whole);
}

void offer(QWidget* view, const QString& whole)
{
    view->setToolTip(wrapped(whole));
    auto* copy = new QAction(copyTitle, view);
    QObject::connect(copy, &QAction::triggered, view, [whole] { QGuiApplication::clipboard()->setText(whole); });
    view->addAction(copy);
    view->setContextMenuPolicy(Qt::ActionsContextMenu);
}

void offerIfLonger(QWidget* view, const QString& whole, qsizetype shown)
{
    if (whole.size() > shown)
        offer(view, whole);
}

} // namespace vesk::WholeText
