#include "WholeText.h"

#include "Alerts.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QTextDocument>
#include <QWidget>

namespace vesk::WholeText {

void offer(QWidget* view, const QString& whole)
{
    bool cut = false;
    // Rich text, so a tool tip wraps it instead of drawing one line wider than the screen.
    view->setToolTip(Qt::convertFromPlainText(shownCut(whole, 12, 900, cut), Qt::WhiteSpaceNormal));
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
