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

    void answer(int button, bool accessoryChecked = false) { answers.push_back({button, accessoryChecked, {}}); }
    // An answer to an alert with a text field: the button and what was typed.
    void answerTyping(int button, const QString& typed) { answers.push_back({button, false, typed}); }

    AlertResult present(const AlertSpec& spec) override
    {
        shown.append(spec);
        if (answers.empty())
            return AlertResult{aborted, spec.accessoryChecked, {}};
        const AlertResult r = answers.front();
        answers.pop_front();
        return r;
    }

private:
    std::deque<AlertResult> answers;
};

} // namespace vesk::test
