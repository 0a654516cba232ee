#include "Excluding.h"

#include "DataText.h"
#include "Json.h"

#include <QWidget>

namespace vesk {

using PrivacyText::Mode;

Excluding::Excluding(Services services, Mode mode, QStringList alreadyExcluded, QWidget* parent)
    : QObject(parent)
    , client(services.client)
    , workspace(services.workspace)
    , alerts(services.alerts)
    , mode(mode)
    , dialogParent(parent)
    , alreadyExcluded(std::move(alreadyExcluded))
{
}

void Excluding::start()
{
    if (mode == Mode::applications)
        chooseApplication();
    else
        typeValue();
}

void Excluding::end()
{
    deleteLater();
}

void Excluding::chooseApplication()
{
    const auto app = workspace.listsApplications()
        ? workspace.chooseApplication(dialogParent, QStringLiteral("Choose an application Vesk must not capture"),
                                      QStringLiteral("Exclude application"), alreadyExcluded)
        : std::nullopt;
    if (!app || app->id.isEmpty())
        return end();
    value = app->id;
    subject = app->name.isEmpty() ? app->id : app->name;
    client.forgetAppPreview(value, this, [this](Reply reply) {
        if (const auto preview = PrivacyText::forgetPreview(reply, u"app_forget_preview"))
            askForApplication(*preview);
        else
            fail(reply, QStringLiteral("Could not inspect existing data for that application."));
    });
}

void Excluding::askForApplication(const PrivacyText::ForgetPreview& preview)
{
    const PrivacyText::ForgetOption option = PrivacyText::forgetOption(preview);
    AlertSpec question;
    question.title = PrivacyText::excludeAppTitle(subject);
    question.text = PrivacyText::excludeAppText(value);
    question.accessory = option.text;
    question.accessoryEnabled = option.enabled;
    question.buttons = {QStringLiteral("Exclude application"), QStringLiteral("Cancel")};
    question.safe = 1;
    const AlertResult answer = alerts.present(question);
    if (answer.button != 0)
        return end();
    const bool forgetToo = option.enabled && answer.accessoryChecked;
    client.blockApp(value, subject, this, [this, forgetToo](Reply reply) {
        if (!Json::isKind(reply, u"ok"))
            return fail(reply, PrivacyText::copy(mode).addFailed);
        emit excluded();
        if (!forgetToo)
            return end();
        // Asked again: the counts may have changed since the first look.
        client.forgetAppPreview(value, this, [this](Reply again) {
            const auto fresh = PrivacyText::forgetPreview(again, u"app_forget_preview");
            if (!fresh)
                return fail(
                    again,
                    QStringLiteral("The application is excluded, but Vesk could not inspect its existing data."));
            if (!fresh->somethingToForget()) {
                tell(QStringLiteral("No existing data from ") + subject + QStringLiteral(" remains."),
                     QStringLiteral("The future-capture exclusion is active."));
                return end();
            }
            confirmIrreversibleForget(*fresh, PrivacyText::appClosing);
        });
    });
}

void Excluding::typeValue()
{
    const bool website = mode == Mode::websites;
    AlertSpec question;
    question.title = website ? QStringLiteral("Exclude a website") : QStringLiteral("Exclude windows by title");
    question.text = website ? QStringLiteral("Enter a hostname or paste a URL. Vesk will store only the hostname and "
                                             "will also exclude its subdomains.")
                            : QStringLiteral("Vesk will skip capture when this phrase appears anywhere in a window "
                                             "title. Matching is case-insensitive; choose a specific phrase.");
    question.field = website ? QStringLiteral("example.com") : QStringLiteral("For example: Payroll");
    question.buttons = {website ? QStringLiteral("Exclude website") : QStringLiteral("Exclude matching windows"),
                        QStringLiteral("Cancel")};
    question.safe = 1;
    const AlertResult answer = alerts.present(question);
    if (answer.button != 0)
        return end();
    // Sent exactly as typed: finding the hostname in a pasted address is the daemon's work.
    value = answer.fieldText;
    subject = PrivacyText::copy(mode).forgetSubject;
    const auto added = [this](Reply reply) { ruleAdded(reply); };
    if (website)
        client.blockWebsite(value, this, added);
    else
        client.blockWindowTitle(value, this, added);
}

void Excluding::ruleAdded(const Reply& reply)
{
    if (!Json::isKind(reply, u"ok"))
        return fail(reply, PrivacyText::copy(mode).addFailed);
    emit excluded();
    client.forgetRulePreview(PrivacyText::copy(mode).forgetKind, value, this, [this](Reply answer) {
        // The rule is in place either way; a failed look deletes nothing and says nothing.
        const auto preview = PrivacyText::forgetPreview(answer, u"rule_forget");
        if (!preview || !preview->somethingToForget())
            return end();
        offerRetroactiveForget(*preview);
    });
}

void Excluding::offerRetroactiveForget(const PrivacyText::ForgetPreview& preview)
{
    AlertSpec offer;
    offer.title = PrivacyText::offerTitle(subject);
    offer.text = PrivacyText::offerText(preview.frames.value_or(0));
    offer.buttons = {QStringLiteral("Review what would be deleted"), QStringLiteral("Keep existing data")};
    offer.safe = 1;
    if (alerts.run(offer) != 0)
        return end();
    confirmIrreversibleForget(preview, PrivacyText::ruleClosing);
}

void Excluding::confirmIrreversibleForget(const PrivacyText::ForgetPreview& preview, const QString& closing)
{
    AlertSpec confirmation;
    confirmation.style = AlertSpec::Style::critical;
    confirmation.title = PrivacyText::forgetTitle(subject);
    confirmation.text = PrivacyText::forgetText(preview, closing);
    confirmation.buttons = {QStringLiteral("Forget existing data"), QStringLiteral("Keep existing data")};
    confirmation.safe = 1;
    confirmation.destructive = 0;
    if (alerts.run(confirmation) != 0)
        return end();
    const auto done = [this, expected = preview.frames.value_or(0)](Reply reply) { forgotten(reply, expected); };
    if (mode == Mode::applications)
        client.forgetApp(value, this, done);
    else
        client.forgetRule(PrivacyText::copy(mode).forgetKind, value, this, done);
}

QString Excluding::remains() const
{
    return mode == Mode::applications ? QStringLiteral("The future-capture exclusion remains active.")
                                      : QStringLiteral("The exclusion remains active.");
}

void Excluding::forgotten(const Reply& reply, qint64 expected)
{
    if (const auto removed = PrivacyText::forgotten(reply, mode)) {
        tell(PrivacyText::forgottenTitle(subject), PrivacyText::forgottenText(*removed, remains()));
        return end();
    }
    // Asked and not answered (or answered with something unreadable), the daemon may have done it:
    // a fresh preview tells what is left before anything is said.
    if (reply.failure() == Failure::noReply || reply.failure() == Failure::malformed)
        return verify(expected);
    fail(reply,
         mode == Mode::applications
             ? QStringLiteral("The application remains excluded, but its existing data could not be forgotten.")
             : QStringLiteral("The exclusion remains active, but the existing data could not be forgotten."));
}

void Excluding::verify(qint64 expected)
{
    const QStringView kind = mode == Mode::applications ? u"app_forget_preview" : u"rule_forget";
    const auto checked = [this, kind, expected](Reply fresh) {
        const PrivacyText::Verdict verdict
            = PrivacyText::verdict(PrivacyText::forgetPreview(fresh, kind), expected, subject, remains());
        tell(verdict.title, verdict.text,
             verdict.warning ? AlertSpec::Style::warning : AlertSpec::Style::informational);
        end();
    };
    if (mode == Mode::applications)
        client.forgetAppPreview(value, this, checked);
    else
        client.forgetRulePreview(PrivacyText::copy(mode).forgetKind, value, this, checked);
}

void Excluding::tell(const QString& title, const QString& text, AlertSpec::Style style)
{
    AlertSpec notice;
    notice.style = style;
    notice.title = title;
    notice.text = text;
    notice.buttons = {QStringLiteral("OK")};
    alerts.run(notice);
}

void Excluding::fail(const Reply& reply, const QString& fallback)
{
    tell(fallback, DataText::failureText(reply), AlertSpec::Style::warning);
    end();
}

} // namespace vesk
