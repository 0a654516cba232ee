#include "EditDialogs.h"

namespace vesk::EditDialogs {

int ask(Alerts& alerts, AlertSpec::Style style, const MemoryEditText::Words& words, const QStringList& buttons)
{
    AlertSpec alert;
    alert.style = style;
    alert.title = words.title;
    alert.text = words.text;
    alert.buttons = buttons;
    return alerts.run(alert);
}

int confirm(Alerts& alerts, AlertSpec::Style style, const MemoryEditText::Words& words, const QString& act, Undo undo)
{
    AlertSpec question;
    question.style = style;
    question.title = words.title;
    question.text = words.text;
    question.buttons = {act, QStringLiteral("Cancel")};
    question.safe = 1;
    if (undo == Undo::impossible)
        question.destructive = 0;
    return alerts.run(question);
}

void report(Alerts& alerts, const Reply& reply, const QString& fallback)
{
    ask(alerts, AlertSpec::Style::warning, {fallback, MemoryEditText::failureText(reply)}, {QStringLiteral("OK")});
}

} // namespace vesk::EditDialogs
