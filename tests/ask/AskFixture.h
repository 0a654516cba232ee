#pragma once

#include "AskLabel.h"
#include "AskWindow.h"
#include "DaemonRig.h"
#include "InkButton.h"
#include "KeyPanel.h"

#include <QLabel>
#include <QLineEdit>

namespace vesk::test {

// An ask window on a fake daemon and a test clock, with its settings in a temporary file.
struct AskFixture : DaemonRig {
    AskFixture()
        : window(client, clock, &presentation)
    {
    }

    // The texts of the labels the result column shows, top to bottom.
    QStringList texts() const
    {
        QStringList out;
        if (!window.stackView)
            return out;
        for (QLabel* label : window.stackView->findChildren<QLabel*>())
            if (label->isVisibleTo(window.stackView))
                out << label->text();
        return out;
    }

    // The visible buttons of the result column by the title the user reads, top to bottom.
    QList<InkButton*> buttons(const QString& title) const
    {
        QList<InkButton*> out;
        if (!window.stackView)
            return out;
        for (InkButton* b : window.stackView->findChildren<InkButton*>())
            if (b->isVisibleTo(window.stackView)
                && b->text().trimmed().replace(QStringLiteral("&&"), QStringLiteral("&")) == title)
                out << b;
        return out;
    }
    InkButton* button(const QString& title) const
    {
        const QList<InkButton*> found = buttons(title);
        return found.isEmpty() ? nullptr : found.first();
    }

    void type(const QString& text)
    {
        window.field->clear();
        QTest::keyClicks(window.field, text);
    }
    void askByKeyboard(const QString& text)
    {
        type(text);
        QTest::keyClick(window.field, Qt::Key_Return);
    }

    AskWindow window;
};

} // namespace vesk::test
