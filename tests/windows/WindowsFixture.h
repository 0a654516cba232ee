#pragma once

#include "DaemonRig.h"
#include "FakePlatform.h"
#include "InkButton.h"
#include "Row.h"
#include "ScriptedAlerts.h"

#include <QLabel>
#include <QStandardPaths>

namespace vesk::test {

// A fake daemon, scripted alerts and a fake workspace, with helpers that read a window as the user
// sees it: its visible labels, buttons and rows.
struct WindowsFixture : DaemonRig {
    ScriptedAlerts alerts;
    FakePlatform platform;

    static QStringList texts(QWidget* root)
    {
        QStringList out;
        for (QLabel* label : root->findChildren<QLabel*>())
            if (label->isVisibleTo(root) && !label->text().isEmpty())
                out << label->text();
        return out;
    }
    static InkButton* button(QWidget* root, const QString& title)
    {
        for (InkButton* b : root->findChildren<InkButton*>())
            if (b->isVisibleTo(root) && b->text().replace(QStringLiteral("&&"), QStringLiteral("&")) == title)
                return b;
        return nullptr;
    }
    static QList<Row*> rows(QWidget* root)
    {
        QList<Row*> out;
        for (Row* row : root->findChildren<Row*>())
            if (row->isVisibleTo(root))
                out << row;
        return out;
    }
    // A click as the user makes it: once the view has been laid out where it can be hit.
    static void click(QWidget* view)
    {
        QTRY_VERIFY(view->width() > 5 && view->height() > 5);
        QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(5, 5));
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
