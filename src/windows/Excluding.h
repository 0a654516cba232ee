#pragma once

#include "Alerts.h"
#include "DaemonClient.h"
#include "PlatformServices.h"
#include "PrivacyText.h"

#include <QObject>

namespace vesk {

// Adding one exclusion and, when the user asks for it, forgetting what was captured before it:
// each step a modal question, each daemon reply read once into the values the next step shows, and
// nothing deleted without the second, irreversible confirmation that quotes the daemon's counts.
// One object per addition, owning its steps; it deletes itself when the flow stops, and says only
// one thing outside: that the daemon confirmed the new rule.
class Excluding : public QObject {
    Q_OBJECT
public:
    struct Services {
        DaemonClient& client;
        Workspace& workspace;
        Alerts& alerts;
    };

    // An addition to the section of `mode`; the chooser of applications opens over `parent` and
    // leaves out the applications in `alreadyExcluded`.
    Excluding(Services services, PrivacyText::Mode mode, QStringList alreadyExcluded, QWidget* parent);

    // The chooser of applications, or the question with a field for a website or a title phrase.
    void start();

signals:
    // The daemon confirmed the rule: the list is asked for again.
    void excluded();

private:
    void chooseApplication();
    void askForApplication(const PrivacyText::ForgetPreview& preview);
    void typeValue();
    void ruleAdded(const Reply& reply);
    void offerRetroactiveForget(const PrivacyText::ForgetPreview& preview);
    // The irreversible confirmation, then the forget itself.
    void confirmIrreversibleForget(const PrivacyText::ForgetPreview& preview, const QString& closing);
    // The forget's reply; `expected` is the screenshot records its preview counted.
    void forgotten(const Reply& reply, qint64 expected);
    // A fresh preview after a forget that may have run, and the verdict it gives.
    void verify(qint64 expected);
    // What holds whatever the forget did.
    QString remains() const;
    void tell(const QString& title, const QString& text, AlertSpec::Style style = AlertSpec::Style::informational);
    // Says what failed, with the daemon's words, and stops.
    void fail(const Reply& reply, const QString& fallback);
    void end();

    DaemonClient& client;
    Workspace& workspace;
    Alerts& alerts;
    PrivacyText::Mode mode;
    QWidget* dialogParent;
    QStringList alreadyExcluded;
    // The rule's value (a desktop id, a hostname or a phrase) and how the dialogs call its data.
    QString value;
    QString subject;
};

} // namespace vesk
