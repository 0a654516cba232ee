#pragma once

#include "Alerts.h"
#include "DaemonClient.h"
#include "PrivacyText.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <memory>

class QWidget;

namespace vesk {

class InkButton;
class InkLabel;
class LoadingSection;
class PresentationMode;
class Row;
class ScrollColumn;
class Workspace;

// The window in which the user tells the daemon what it must never capture: applications, websites
// and windows whose title holds a phrase, one section each. It holds no rules of its own: the list
// is the daemon's reply, asked again after every change. Removing a rule asks first; adding one
// offers, as a separate and irreversible step with the daemon's exact counts, to forget what was
// already captured under it. Built on first show and kept; closing only hides it. Main thread only.
class PrivacyExclusionsWindow : public QObject {
    Q_OBJECT
public:
    PrivacyExclusionsWindow(DaemonClient& client, Workspace& workspace, Alerts& alerts,
                            PresentationMode* presentation = nullptr, QObject* parent = nullptr);
    ~PrivacyExclusionsWindow() override;

    // Shows the window (built on first use) and loads the current section again; false while
    // presentation mode keeps it away.
    bool show();
    void suppressForPresentation();
    // Shows another section and loads its rules.
    void changeSection(PrivacyText::Mode mode);
    // Loads the current section's rules; a reply for an earlier load or another section is dropped.
    void reload();
    // The add button's action for the current section.
    void addExclusion();
    // The remove button's action: asks, then removes the selected rule.
    void removeSelected();
    // Marks a listed rule as the one "Remove selected" acts on.
    void select(qsizetype row);

    // For tests and screenshot tours (null before the first show).
    QWidget* windowWidget() const { return window.get(); }
    PrivacyText::Mode mode() const { return current; }
    bool loaded() const { return isLoaded; }

private:
    bool presenting() const;
    void build();
    void updateCopy();
    void listed(LoadingSection& section, InkLabel* empty, const Reply& reply);
    Row* ruleRow(const PrivacyText::Rule& rule) const;
    void addApplication();
    void addTyped();
    void excludeApplication(const QString& id, const QString& name, const Reply& preview);
    void offerRetroactiveForget(const QString& kind, const QString& value, const QString& subject);
    void confirmIrreversibleRuleForget(const QJsonObject& preview, const QString& kind, const QString& value,
                                       const QString& subject);
    void confirmIrreversibleAppForget(const QJsonObject& preview, const QString& id, const QString& name);
    void tell(const QString& title, const QString& text, AlertSpec::Style style = AlertSpec::Style::informational);
    void showError(const Reply& reply, const QString& fallback);

    DaemonClient& client;
    Workspace& workspace;
    Alerts& alerts;
    PresentationMode* presentation;
    std::unique_ptr<QWidget> window;
    // The rule list; its ticket is the identity of the latest load.
    ScrollColumn* table = nullptr;
    InkLabel* heading = nullptr;
    InkLabel* explanation = nullptr;
    InkButton* add = nullptr;
    InkButton* remove = nullptr;
    QList<InkButton*> sections;
    PrivacyText::Mode current = PrivacyText::Mode::applications;
    QList<PrivacyText::Rule> rules;
    QList<QPointer<Row>> rows;
    qsizetype selected = -1;
    bool isLoaded = false;
};

} // namespace vesk
