#pragma once

#include "Alerts.h"

#include <QList>
#include <deque>

namespace vesk::test {

// Answers modal alerts from a queue and records every alert shown. An alert with no queued
// answer is answered as aborted, so a test that forgot to script one sees the effect.
class ScriptedAlerts final : public Alerts {
public:
    QList<AlertSpec> shown;

    void answer(int button, bool accessoryChecked = false)
    {
        answers.push_back({{button, accessoryChecked, {}}, false});
    }
    // Answers an alert with a text field, typing `text` into it.
    void answerTyping(int button, const QString& text) { answers.push_back({{button, false, text}, true}); }

    AlertResult present(const AlertSpec& spec) override
    {
        shown.append(spec);
        if (answers.empty())
            return AlertResult{aborted, spec.accessoryChecked, spec.fieldText};
        auto [r, typed] = answers.front();
        answers.pop_front();
        if (!typed)
            r.fieldText = spec.fieldText; // answered without typing: the field as it was
        return r;
    }

private:
    std::deque<std::pair<AlertResult, bool>> answers; // bool: text was typed
};

} // namespace vesk::test
