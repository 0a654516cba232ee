#include "Forgetting.h"

#include "EditDialogs.h"
#include "Json.h"
#include "MemoryEditText.h"

#include <QWidget>

namespace vesk {

Forgetting::Forgetting(DaemonClient& client, Alerts& alerts, const Origin& origin, QObject* parent)
    : QObject(parent)
    , client(client)
    , alerts(alerts)
    , origin(origin)
{
}

void Forgetting::start(QWidget* button)
{
    button->setEnabled(false);
    // A button whose page is gone by then takes its connection with it.
    connect(this, &Forgetting::previewed, button, [button] { button->setEnabled(true); });
    client.forgetEntityPreview(origin.id, this, [this](Reply reply) {
        emit previewed();
        confirm(reply);
    });
}

void Forgetting::confirm(const Reply& reply)
{
    using Style = AlertSpec::Style;
    const std::optional<MemoryEditText::ForgetPreview> preview = MemoryEditText::forgetPreview(reply);
    if (!preview) {
        EditDialogs::report(alerts, reply, QStringLiteral("Could not work out what that would remove."));
    } else if (preview->empty()) {
        EditDialogs::ask(alerts, Style::informational, MemoryEditText::nothingToForget(origin.label),
                         {QStringLiteral("OK")});
    } else if (EditDialogs::confirm(alerts, Style::critical, MemoryEditText::forgetConfirmation(*preview, origin.label),
                                    QStringLiteral("Forget it"), EditDialogs::Undo::impossible)
               == 0) {
        const qint64 expected = preview->frames;
        client.forgetEntity(origin.id, this, [this, expected](Reply done) {
            if (Json::isKind(done, u"ok")) {
                emit ended();
                deleteLater();
            } else {
                verify(expected);
            }
        });
        return;
    }
    deleteLater();
}

void Forgetting::verify(qint64 expected)
{
    // No reply is not a failure: the delete may still be running, or done. Ask what is left.
    client.forgetEntityPreview(origin.id, this, [this, expected](Reply fresh) {
        const MemoryEditText::Verdict verdict = MemoryEditText::forgetVerdict(fresh, expected, origin.label);
        EditDialogs::ask(alerts, verdict.warning ? AlertSpec::Style::warning : AlertSpec::Style::informational,
                         verdict.words, {QStringLiteral("OK")});
        emit ended();
        deleteLater();
    });
}

} // namespace vesk
