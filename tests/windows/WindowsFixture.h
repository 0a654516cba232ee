#pragma once

#include "DaemonRig.h"
#include "FakePlatform.h"
#include "InkButton.h"
#include "Row.h"
#include "ScriptedAlerts.h"
#include "Seen.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QStandardPaths>

namespace vesk::test {

// A fake daemon, scripted alerts and a fake workspace, with helpers that read a window as the user
// sees it: its visible labels, buttons and rows.
struct WindowsFixture : DaemonRig {
    ScriptedAlerts alerts;
    FakePlatform platform;

    static QStringList texts(QWidget* root) { return visibleTexts(root); }
    static InkButton* button(QWidget* root, const QString& title) { return visibleButton(root, title); }
    static QList<Row*> rows(QWidget* root) { return visibleUnder<Row>(root); }
    // What "Copy Full Text" puts on the clipboard, for each view under `root` that offers it.
    static QStringList copiedWhole(QWidget* root)
    {
        QStringList out;
        for (QWidget* view : root->findChildren<QWidget*>())
            for (QAction* action : view->actions())
                if (action->text() == QStringLiteral("Copy Full Text")) {
                    action->trigger();
                    out << QGuiApplication::clipboard()->text();
                }
        return out;
    }
    // The titles of the alerts shown so far.
    QStringList alertTitles() const
    {
        QStringList out;
        for (const AlertSpec& a : alerts.shown)
            out << a.title;
        return out;
    }
};

} // namespace vesk::test
