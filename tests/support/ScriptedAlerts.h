#pragma once

#include "Alerts.h"
#include "InkButton.h"

#include <QApplication>
#include <QDialog>
#include <QList>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <deque>

namespace vesk::test {

// Answers modal alerts from a queue and records every alert shown. An alert with no queued
// answer is answered as aborted, so a test that forgot to script one sees the effect. An answer
// queued with answerOnScreen shows the alert through the real presenter instead and gives it there.
class ScriptedAlerts final : public Alerts {
public:
    // How the user leaves a real dialog without choosing a button.
    enum class Gesture { escape, enter, close };
    static constexpr Gesture gestures[] = {Gesture::escape, Gesture::enter, Gesture::close};
    // What the real presenter showed and what the gesture chose there.
    struct OnScreen {
        QString defaultButton;
        QStringList destructiveLook; // buttons drawn as destructive
        int answer = aborted;
        bool operator==(const OnScreen&) const = default;
    };

    QList<AlertSpec> shown;
    QList<OnScreen> onScreen;

    void answer(int button, bool accessoryChecked = false)
    {
        answers.push_back({{button, accessoryChecked, {}}, false, {}});
    }
    // Answers an alert with a text field, typing `text` into it.
    void answerTyping(int button, const QString& text) { answers.push_back({{button, false, text}, true, {}}); }
    void answerOnScreen(Gesture gesture) { answers.push_back({{}, false, gesture}); }

    AlertResult present(const AlertSpec& spec) override
    {
        shown.append(spec);
        if (answers.empty())
            return AlertResult{aborted, spec.accessoryChecked, spec.fieldText};
        auto [r, typed, gesture] = answers.front();
        answers.pop_front();
        if (gesture)
            return presentOnScreen(spec, *gesture);
        if (!typed)
            r.fieldText = spec.fieldText; // answered without typing: the field as it was
        return r;
    }

private:
    AlertResult presentOnScreen(const AlertSpec& spec, Gesture gesture)
    {
        OnScreen seen;
        QTimer::singleShot(0, qApp, [&seen, gesture] {
            QDialog* dialog = nullptr;
            const bool up = QTest::qWaitFor([&dialog] {
                dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                return dialog && dialog->isActiveWindow() && dialog->isAncestorOf(QApplication::focusWidget());
            });
            if (!up) {
                abortModalDialogs();
                return;
            }
            for (QPushButton* b : dialog->findChildren<QPushButton*>()) {
                const QString title = b->text().replace(QStringLiteral("&&"), QStringLiteral("&"));
                if (b->isDefault())
                    seen.defaultButton = title;
                if (auto* ink = qobject_cast<InkButton*>(b); ink && ink->buttonTone() == InkButton::Tone::destructive)
                    seen.destructiveLook << title;
            }
            // Keys go where the user's would: to the widget with the keyboard.
            if (gesture == Gesture::close)
                dialog->close();
            else
                QTest::keyClick(QApplication::focusWidget(),
                                gesture == Gesture::escape ? Qt::Key_Escape : Qt::Key_Return);
            // A dialog the gesture left open would hold the test until its time-out.
            if (!QTest::qWaitFor([dialog] { return !dialog->isVisible(); }, 2000))
                abortModalDialogs();
        });
        const AlertResult result = MessageBoxAlerts().present(spec);
        seen.answer = result.button;
        onScreen.append(seen);
        return result;
    }

    struct Queued {
        AlertResult result;
        bool typed = false;
        std::optional<Gesture> gesture;
    };
    std::deque<Queued> answers;
};

} // namespace vesk::test

Q_DECLARE_METATYPE(vesk::test::ScriptedAlerts::Gesture)
Q_DECLARE_METATYPE(vesk::test::ScriptedAlerts::OnScreen)
