#pragma once

#include "AskPanel.h"
#include "AskWindow.h"
#include "DaemonRig.h"
#include "InkButton.h"
#include "Row.h"
#include "ScriptedAlerts.h"
#include "ScrollColumn.h"
#include "Seen.h"

#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>

namespace vesk::test {

// An ask window on a fake daemon and a test clock, with its settings in a temporary file and its
// dialogs answered from a script. It reads only what the panel shows: the labels, buttons and rows
// of its columns, the field and the hint.
struct AskFixture : DaemonRig {
    AskFixture()
        : window({client, alerts, presentation, clock})
    {
    }

    AskPanel* panel() const { return window.panelWidget(); }
    QLineEdit* field() const { return window.fieldWidget(); }
    QString hint() const { return window.hintLabel()->text(); }
    QWidget* results() const { return window.resultColumn()->content(); }
    QWidget* inspector() const { return window.inspectorColumn()->content(); }

    // The texts of the visible labels under `root`, top to bottom.
    static QStringList textsIn(QWidget* root) { return visibleTexts(root, Empty::keep); }
    QStringList texts() const { return panel() ? textsIn(results()) : QStringList(); }
    QStringList inspectorTexts() const { return textsIn(inspector()); }

    // The visible buttons of the result column by the title the user reads, top to bottom.
    QList<InkButton*> buttons(const QString& title, QWidget* root = nullptr) const
    {
        return visibleButtons(root ? root : results(), title);
    }
    InkButton* button(const QString& title) const { return visibleButton(results(), title); }

    // Visible rows of the result column, top to bottom.
    QList<Row*> rows() const { return visibleUnder<Row>(results()); }
    Row* rowWith(const QString& text) const
    {
        for (Row* row : rows())
            if (textsIn(row).contains(text))
                return row;
        return nullptr;
    }

    void type(const QString& text)
    {
        field()->clear();
        QTest::keyClicks(field(), text);
    }
    void askByKeyboard(const QString& text)
    {
        type(text);
        QTest::keyClick(field(), Qt::Key_Return);
    }
    void searchByKeyboard(const QString& text)
    {
        type(text);
        QTest::keyClick(field(), Qt::Key_Return, Qt::ShiftModifier);
    }
    // An answer on screen with its details unfolded.
    void unfoldedAnswer(const QJsonObject& reply, const QString& question = QStringLiteral("what was I doing?"))
    {
        daemon.reply(QStringLiteral("ask"), reply);
        askByKeyboard(question);
        QTRY_VERIFY(button(QStringLiteral("Details & corrections")));
        QTest::mouseClick(button(QStringLiteral("Details & corrections")), Qt::LeftButton);
        QTRY_VERIFY(button(QStringLiteral("Hide details")));
    }

    ScriptedAlerts alerts;
    AskWindow window;
};

} // namespace vesk::test
