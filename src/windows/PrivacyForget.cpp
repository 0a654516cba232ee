// Adding exclusions and forgetting what was captured before them: each step a modal question, each
// daemon reply read once, and nothing deleted without the second, irreversible confirmation.
#include "Json.h"
#include "PlatformServices.h"
#include "PrivacyExclusionsWindow.h"

namespace vesk {

using PrivacyText::Mode;

void PrivacyExclusionsWindow::addApplication()
{
    if (!workspace.listsApplications())
        return;
    const auto app
        = workspace.chooseApplication(window.get(), QStringLiteral("Choose an application Vesk must not capture"),
                                      QStringLiteral("Exclude application"));
    if (!app || app->id.isEmpty())
        return;
    const QString id = app->id;
    const QString name = app->name.isEmpty() ? id : app->name;
    client.forgetAppPreview(id, this, [this, id, name](Reply preview) { excludeApplication(id, name, preview); });
}

void PrivacyExclusionsWindow::excludeApplication(const QString& id, const QString& name, const Reply& preview)
{
    if (!Json::isKind(preview, u"app_forget_preview")) {
        showError(preview, QStringLiteral("Could not inspect existing data for that application."));
        return;
    }
    const PrivacyText::ForgetOption option = PrivacyText::forgetOption(PrivacyText::count(preview, u"frames"));
    AlertSpec ask;
    ask.title = PrivacyText::excludeAppTitle(name);
    ask.text = PrivacyText::excludeAppText(id);
    ask.accessory = option.text;
    ask.accessoryEnabled = option.enabled;
    ask.buttons = {QStringLiteral("Exclude application"), QStringLiteral("Cancel")};
    ask.safe = 1;
    const AlertResult answer = alerts.present(ask);
    if (answer.button != 0)
        return;
    const bool forgetToo = option.enabled && answer.accessoryChecked;
    client.blockApp(id, name, this, [this, id, name, forgetToo](Reply reply) {
        if (!Json::isKind(reply, u"ok")) {
            showError(reply, PrivacyText::copy(Mode::applications).addFailed);
            return;
        }
        reload();
        if (!forgetToo)
            return;
        // Asked again: the counts may have changed since the first look.
        client.forgetAppPreview(id, this, [this, id, name](Reply again) {
            if (!Json::isKind(again, u"app_forget_preview")) {
                showError(again,
                          QStringLiteral("The application is excluded, but Vesk could not inspect its "
                                         "existing data."));
                return;
            }
            if (PrivacyText::count(again, u"frames") < 1) {
                tell(QStringLiteral("No existing data from ") + name + QStringLiteral(" remains."),
                     QStringLiteral("The future-capture exclusion is active."));
                return;
            }
            confirmIrreversibleAppForget(*again, id, name);
        });
    });
}

void PrivacyExclusionsWindow::confirmIrreversibleAppForget(const QJsonObject& preview, const QString& id,
                                                           const QString& name)
{
    AlertSpec ask;
    ask.style = AlertSpec::Style::critical;
    ask.title = PrivacyText::forgetTitle(name);
    ask.text = PrivacyText::forgetText(preview, PrivacyText::appClosing);
    ask.buttons = {QStringLiteral("Forget existing data"), QStringLiteral("Keep existing data")};
    ask.safe = 1;
    ask.destructive = 0;
    if (alerts.run(ask) != 0)
        return;
    client.forgetApp(id, this, [this, name](Reply reply) {
        if (!Json::isKind(reply, u"app_forgot")) {
            showError(reply,
                      QStringLiteral("The application remains excluded, but its existing data could not be "
                                     "forgotten."));
            return;
        }
        tell(PrivacyText::forgottenTitle(name),
             PrivacyText::forgottenText(reply, QStringLiteral("The future-capture exclusion remains active.")));
    });
}

void PrivacyExclusionsWindow::addTyped()
{
    const Mode mode = current;
    const bool website = mode == Mode::websites;
    AlertSpec ask;
    ask.title = website ? QStringLiteral("Exclude a website") : QStringLiteral("Exclude windows by title");
    ask.text = website ? QStringLiteral("Enter a hostname or paste a URL. Vesk will store only the hostname and will "
                                        "also exclude its subdomains.")
                       : QStringLiteral("Vesk will skip capture when this phrase appears anywhere in a window title. "
                                        "Matching is case-insensitive; choose a specific phrase.");
    ask.field = website ? QStringLiteral("example.com") : QStringLiteral("For example: Payroll");
    ask.buttons = {website ? QStringLiteral("Exclude website") : QStringLiteral("Exclude matching windows"),
                   QStringLiteral("Cancel")};
    ask.safe = 1;
    const AlertResult answer = alerts.present(ask);
    if (answer.button != 0)
        return;
    // Sent exactly as typed: finding the hostname in a pasted address is the daemon's work.
    const QString typed = answer.fieldText;
    const auto done = [this, mode, typed](Reply reply) {
        const PrivacyText::Copy& copy = PrivacyText::copy(mode);
        if (!Json::isKind(reply, u"ok")) {
            showError(reply, copy.addFailed);
            return;
        }
        reload();
        offerRetroactiveForget(copy.forgetKind, typed, copy.forgetSubject);
    };
    if (website)
        client.blockWebsite(typed, this, done);
    else
        client.blockWindowTitle(typed, this, done);
}

void PrivacyExclusionsWindow::offerRetroactiveForget(const QString& kind, const QString& value, const QString& subject)
{
    client.forgetRulePreview(kind, value, this, [this, kind, value, subject](Reply preview) {
        // The rule is in place either way; a failed look deletes nothing and says nothing.
        if (!Json::isKind(preview, u"rule_forget"))
            return;
        const qint64 frames = PrivacyText::count(preview, u"frames");
        if (frames == 0)
            return;
        AlertSpec ask;
        ask.title = PrivacyText::offerTitle(subject);
        ask.text = PrivacyText::offerText(frames);
        ask.buttons = {QStringLiteral("Review what would be deleted"), QStringLiteral("Keep existing data")};
        ask.safe = 1;
        if (alerts.run(ask) == 0)
            confirmIrreversibleRuleForget(*preview, kind, value, subject);
    });
}

void PrivacyExclusionsWindow::confirmIrreversibleRuleForget(const QJsonObject& preview, const QString& kind,
                                                            const QString& value, const QString& subject)
{
    AlertSpec ask;
    ask.style = AlertSpec::Style::critical;
    ask.title = PrivacyText::forgetTitle(subject);
    ask.text = PrivacyText::forgetText(preview, PrivacyText::ruleClosing);
    ask.buttons = {QStringLiteral("Forget existing data"), QStringLiteral("Keep existing data")};
    ask.safe = 1;
    ask.destructive = 0;
    if (alerts.run(ask) != 0)
        return;
    client.forgetRule(kind, value, this, [this, subject](Reply reply) {
        if (!Json::isKind(reply, u"rule_forget") || Json::boolean(*reply, u"applied") != true) {
            showError(reply,
                      QStringLiteral("The exclusion remains active, but the existing data could not be "
                                     "forgotten."));
            return;
        }
        tell(PrivacyText::forgottenTitle(subject),
             PrivacyText::forgottenText(reply, QStringLiteral("The exclusion remains active.")));
    });
}

} // namespace vesk
