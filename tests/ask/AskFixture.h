#pragma once

#include "AskLabel.h"
#include "AskWindow.h"
#include "DaemonClient.h"
#include "Defaults.h"
#include "FakeDaemon.h"
#include "InkButton.h"
#include "KeyPanel.h"
#include "PresentationMode.h"
#include "TestClock.h"

#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

namespace vesk::test {

// An ask window on a fake daemon and a test clock, with its settings in a temporary file.
struct AskFixture {
    AskFixture()
        : defaults(dir.filePath(QStringLiteral("defaults.json")))
        , presentation(defaults)
        , client(daemon.path(), clock)
        , window(client, clock, &presentation)
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

    // A visible button of the result column by the title the user reads.
    InkButton* button(const QString& title) const
    {
        if (!window.stackView)
            return nullptr;
        for (InkButton* b : window.stackView->findChildren<InkButton*>())
            if (b->isVisibleTo(window.stackView) && b->text().trimmed().replace(QStringLiteral("&&"), QStringLiteral("&")) == title)
                return b;
        return nullptr;
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

    // Every answer-lane request sent before this one has completed: the lane runs in order.
    void answerBarrier()
    {
        bool done = false;
        client.ask(QStringLiteral("barrier"), [&done](Reply) { done = true; });
        QTRY_VERIFY(done);
    }
    void askBarrier()
    {
        bool done = false;
        client.hello([&done](Reply) { done = true; });
        QTRY_VERIFY(done);
    }

    QList<QJsonObject> sent(const QString& op) const
    {
        QList<QJsonObject> out;
        for (const QByteArray& line : daemon.requests(op))
            out.append(QJsonDocument::fromJson(line).object());
        return out;
    }

    QTemporaryDir dir;
    Defaults defaults;
    PresentationMode presentation;
    FakeDaemon daemon;
    TestClock clock;
    DaemonClient client;
    AskWindow window;
};

inline QJsonObject json(const char* text)
{
    return QJsonDocument::fromJson(text).object();
}

} // namespace vesk::test
